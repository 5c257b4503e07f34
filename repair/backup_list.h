// The backup manager's list: which files of the backup folder are backups,
// and the rows the window shows for them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The pattern the backup folder is listed with.
inline constexpr std::string_view kBackupListPattern = "*.reg";

// One entry of a folder listing, as the system reports it.
struct FolderEntry {
  std::string name;  // without any folder
  bool folder = false;
  bool hidden = false;
  bool system = false;
  bool device = false;
};

// A backup is a normal file whose name ends in ".reg", in any letter case.
// Read-only and archived files count; folders, hidden and system files do
// not. The name itself is checked, not just the system's match of the
// pattern, because the system also matches "*.reg" against short 8.3 names
// and would list "notes.regx" by its short name "NOTES~1.REG".
[[nodiscard]] bool IsBackupFile(const FolderEntry& entry);

struct BackupRow {
  std::string id;          // column "ID": the 1-based position, in decimal digits
  std::string name;        // column "文件": the file's name without any folder
  std::string state = {};  // column "状态": what the file's check line says of it
};

// The rows for a listing, one per backup file, numbered "1", "2", ... by
// the time their names give, the oldest first, whatever order the system
// lists the folder in: the window, quillmar-cli on Windows and on Linux
// number one folder alike, and a new backup takes the next number.
// Names that do not read as a time (ReadBackupFileName) come first, by
// their bytes; then the others by date and time, then by the name's
// counter " (N)", then by their bytes. A date whose year comes last is
// read day first when some such name in the listing has a first number
// above 12, else month first. States are left empty.
[[nodiscard]] std::vector<BackupRow> BuildBackupRows(std::span<const FolderEntry> listing);

// The full path of a listed file: the backup folder beside the program,
// "\", and the name from the list.
[[nodiscard]] std::string BackupFilePath(std::string_view program_folder, std::string_view name);

// The row Restore and Delete act on: the selected one; when the user has
// clicked the selection away, the row with the focus, as the list still
// marks it; the first row when neither is known. Nothing for an empty list.
// `selected` and `focused` are list positions, negative for none.
[[nodiscard]] std::optional<std::size_t> RowToActOn(long long selected, long long focused,
                                                    std::size_t count);

}  // namespace qm
