// Changes to a Wine registry text file that leave every other byte of it
// as it was: the user's file is edited, never written anew from what was
// read, so that nothing this program does not understand (a comment, an
// option, the order, the line breaks) is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/linux/change_recorder.h"

namespace qm::posix {

struct WineTextEdit {
  std::vector<std::uint8_t> text;
  std::size_t removed = 0;  // deletions whose lines were taken out
};
using WineTextEdited = Result<WineTextEdit>;

// The text with the changes made in order, as Wine writes them: a deleted
// value loses its line and the lines that continue it; a value set in its
// key's section replaces its old lines where they stood, or follows the
// section's last line; a key the text lacks, made or given a value, is a
// new section "[Key\\Path] <seconds>" with a "#time=" line at the end
// (Wine makes its parents when it reads it). A key reached through a link
// of the file is the link's target, as Wine stores it. `now` stamps new
// sections. A value to delete not found in the text fails the whole edit,
// as does a result that does not read back with every key, without every
// deleted value and with every written value's type and bytes: then ok is
// false and nothing is to be written.
[[nodiscard]] WineTextEdited EditWineText(std::span<const std::uint8_t> text,
                                          const std::vector<RegistryChange>& changes,
                                          std::time_t now = std::time(nullptr));

// Every change, under the name the command line still calls it by until it
// writes through WinePrefixRegistry::WriteChanges.
[[nodiscard]] inline WineTextEdited DeleteWineValues(std::span<const std::uint8_t> text,
                                                     const std::vector<RegistryChange>& changes) {
  return EditWineText(text, changes);
}

}  // namespace qm::posix
