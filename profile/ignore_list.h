// The ignore list ignore.txt beside ro.ini: registry values, and whole keys,
// that the user never wants listed or deleted again.
//
// The file is UTF-8 text, one entry a line, and the user's to edit:
//   HKEY_CURRENT_USER\Software\Tool                 the key and all below it
//   HKEY_CURRENT_USER\Software\Run\\"Tool \"x\" =1"  one value of that key
//   HKEY_CURRENT_USER\Software\Run\\""               its default value
// A key name never holds a backslash, so a doubled one cannot be part of a
// path and starts the value's name, which is quoted with \" \\ \n \r \t and
// \uXXXX (for other control characters and unpaired surrogates); anything
// else, non-ASCII included, stands as it is. Roots may be written short
// (HKCU). Blank lines and lines starting with # are comments. A line that
// cannot be read is kept as it stands when the list is written again, and
// reported, never dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/file_store.h"

namespace qm {

// The list's name, appended to the program's folder.
inline constexpr std::string_view kIgnoreFileName = "\\ignore.txt";

// ignore.txt in the program's folder, beside the profile.
[[nodiscard]] std::string IgnoreListPath(std::string_view program_folder);

struct IgnoreEntry {
  std::string root;      // "HKEY_CURRENT_USER" and the like, always the long name
  std::string key_path;  // "" for the root itself
  // The value's name ("" for the default value); none for the whole key.
  std::optional<std::string> value_name;
  friend bool operator==(const IgnoreEntry&, const IgnoreEntry&) = default;
};

// The long name of a root given long or short (HKCU), in any case; empty
// when it names none.
[[nodiscard]] std::string RootLongName(std::string_view name);

// Why the entry names what no registry can hold, a key name (one part of
// the path) over 255 characters or a value name over 16,383 (in UTF-16
// units, as the registry counts), as a message; empty when it does not.
[[nodiscard]] std::string NameTooLong(const IgnoreEntry& entry);

enum class IgnoreStatus {
  kOk,
  kAlreadyListed,   // an entry of exactly that place is there already
  kUnknownRoot,     // not one of the registry's roots
  kUnwritableName,  // a key path the file cannot hold (control characters, an empty name),
                    // or a name longer than the registry allows
  kNoSuchEntry,     // no entry at that number or of that place
  kReadFailed,      // the file is there but could not be read
  kWriteFailed,     // the file could not be written; it is unchanged
};

struct DamagedLine {
  std::size_t line = 0;  // 1-based, in the file
  std::string text;
};

class IgnoreList {
 public:
  [[nodiscard]] static IgnoreList Parse(std::string_view text);
  // The whole file: every line read kept as it stood, entries added since
  // in their written form.
  [[nodiscard]] std::string Text() const;

  [[nodiscard]] std::vector<IgnoreEntry> Entries() const;
  [[nodiscard]] std::vector<DamagedLine> Damaged() const;
  // The line an entry is written as.
  [[nodiscard]] static std::optional<std::string> EntryLine(const IgnoreEntry& entry);

  // Whether an entry covers the value `value_name` of the key `key_path`
  // under `root`. Names compare without case, as the registry's do. A key
  // the registry shows under two roots is the same key under either: a user's
  // hive below HKEY_USERS and HKEY_CURRENT_USER, and the classes below
  // HKEY_CLASSES_ROOT and Software\Classes of HKEY_LOCAL_MACHINE and
  // HKEY_CURRENT_USER. Which user's hive the current one is, is not known
  // here: any user's below HKEY_USERS counts, which keeps more, never less.
  [[nodiscard]] bool Covers(std::string_view root, std::string_view key_path,
                            std::string_view value_name) const;

  [[nodiscard]] IgnoreStatus Add(IgnoreEntry entry);
  // The entry with the 1-based number `number` in Entries() order.
  [[nodiscard]] IgnoreStatus RemoveNumber(std::size_t number);
  [[nodiscard]] IgnoreStatus Remove(const IgnoreEntry& entry);
  // Adds the entries of another list (its comments and damaged lines
  // stay there), so that one list covers what either does.
  void Merge(const IgnoreList& other);

 private:
  struct Line {
    std::string raw;  // as read, for comments and damaged lines
    std::optional<IgnoreEntry> entry;
    bool damaged = false;
    // Every place the entry's key is seen at: the root's long name and the
    // key path upper-cased, for matching.
    std::vector<std::pair<std::string, std::string>> places;
  };
  static Line EntryLineOf(IgnoreEntry entry);

  std::vector<Line> lines_;
  bool bom_ = false;
};

// A missing file is an empty list; a file that is there but cannot be read
// fails with the platform's code, the detail naming the file.
[[nodiscard]] Result<IgnoreList> LoadIgnoreList(FileStore& files, std::string_view path);
// The whole list, through a temporary file renamed over the old one.
[[nodiscard]] IgnoreStatus SaveIgnoreList(FileStore& files, std::string_view path,
                                          const IgnoreList& list);

// Read, change and write back at once, so that an edit made meanwhile by
// hand or by another window is kept. On success `list` (when given) holds
// what is now in the file, also when the entry was listed already.
[[nodiscard]] IgnoreStatus AddToIgnoreFile(FileStore& files, std::string_view path,
                                           IgnoreEntry entry, IgnoreList* list = nullptr);
[[nodiscard]] IgnoreStatus RemoveFromIgnoreFile(FileStore& files, std::string_view path,
                                                const IgnoreEntry& entry,
                                                IgnoreList* list = nullptr);

}  // namespace qm
