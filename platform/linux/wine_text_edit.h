// Deletions of values in a Wine registry text file that leave every other
// byte of it as it was: the user's file is edited, never written anew from
// what was read, so that nothing this program does not understand (a
// comment, an option, the order, the line breaks) is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qm::posix {

struct WineValueDeletion {
  std::string key;   // below the file's saved key, "\"-separated, any letter case
  std::string name;  // "" for the key's default value
};

struct WineTextEdited {
  bool ok = false;
  std::string error;  // why nothing may be written, in English
  std::vector<std::uint8_t> text;
  std::size_t removed = 0;  // deletions whose lines were taken out
};

// The text without each named value's line and the lines that continue
// it. A key reached through a link of the file is the link's target, as
// Wine stores it. A value not found in the text fails the whole edit, as
// does a result that does not read back with every key and without every
// deleted value: then ok is false and nothing is to be written.
[[nodiscard]] WineTextEdited DeleteWineValues(std::span<const std::uint8_t> text,
                                              const std::vector<WineValueDeletion>& deletions);

}  // namespace qm::posix
