// quillmar-cli backups --offline: the backups a repair left on the
// installation's drive, listed, compared with its hives or put back into
// them.
#include <dirent.h>

#include <fstream>
#include <iterator>
#include <set>

#include "cli/backup_report.h"
#include "cli/linux/commands.h"
#include "cli/linux/console.h"
#include "cli/linux/source.h"
#include "platform/linux/hive_file.h"
#include "platform/text.h"
#include "repair/backup_list.h"
#include "repair/backup_restore.h"
#include "repair/backup_writer.h"
#include "repair/code_page.h"
#include "repair/reg_file_reader.h"
#include "repair/row_value.h"

namespace qm::cli {

namespace {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({name, e->d_type == DT_DIR, false, false, false});
  }
  ::closedir(dir);
  return entries;
}

// The root and key path of a backup's key line.
std::pair<RegKey, std::string> Split(const std::string& key) {
  const std::size_t cut = key.find('\\');
  const std::string root = key.substr(0, cut);
  return {RootKeyFromName(root), cut == std::string::npos ? "" : key.substr(cut + 1)};
}

// The backup's values, or nothing after saying on standard error why the
// file cannot be read whole or is damaged; `seal` says what its check
// line says.
std::optional<RegFileContent> ReadBackup(const std::string& path, SealCheck& seal) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  if (!in) {
    Write(stderr, UnreadableBackupText(path, "the file could not be read"));
    return std::nullopt;
  }
  Windows1252CodePage code_page;
  RegFileReadResult read = ReadRegFile(bytes, code_page);
  seal = read.seal;
  if (!read.content) Write(stderr, BackupRefusedText(path, read));
  return std::move(read.content);
}

int Verify(posix::OfflineWindows& offline, const std::string& path) {
  SealCheck seal;
  const std::optional<RegFileContent> file = ReadBackup(path, seal);
  if (!file) return 3;
  const std::vector<ValueOutcome> outcomes = CompareWithRegistry(file->entries, offline.Editor());
  Write(stdout, VerifyText(path, seal, file->entries, outcomes));
  return VerifyExitStatus(outcomes);
}

int Restore(posix::OfflineWindows& offline, const std::string& path) {
  SealCheck seal;
  const std::optional<RegFileContent> file = ReadBackup(path, seal);
  if (!file) return 3;
  if (seal.verdict == SealVerdict::kUnsealed) {
    Write(stderr, UnverifiedRestoreWarning(path));
  }
  const std::vector<BackupEntry>& entries = file->entries;
  std::set<std::string> hives;
  for (const BackupEntry& e : entries) {
    const auto [root, key] = Split(e.key);
    for (std::string& file : offline.HivesOf(root, key)) hives.insert(std::move(file));
  }
  for (const std::string& file : hives) {
    const posix::HiveHeader header = posix::ReadHiveHeader(file);
    if (header.read && header.clean) continue;
    Write(stderr, "quillmar-cli: the hive " + file +
                      (header.read ? " was not closed cleanly (its two sequence numbers "
                                     "differ). Boot Windows and shut it down fully, then "
                                     "restore again"
                                   : ": " + header.error) +
                      ". Nothing was written.\n");
    return 3;
  }
  std::vector<ValueOutcome> outcomes = RestoreEntries(entries, offline.Editor());
  std::set<std::string> failed;
  for (const auto& [file, changes] : offline.Changes()) {
    const posix::HiveWriteResult w = posix::WriteHive(file, changes);
    if (w.ok) continue;
    Write(stderr, "quillmar-cli: " + w.error + "; the hive is as it was.\n");
    failed.insert(file);
  }
  std::size_t restored = 0;
  std::string out;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [root, key] = Split(entries[i].key);
    bool written = outcomes[i].check == ValueCheck::kSame;
    for (const std::string& file : offline.HivesOf(root, key)) {
      if (failed.count(file) != 0) written = false;
    }
    restored += written;
    out += (written ? "restored      " : "NOT RESTORED  ") + BackupValueText(entries[i]) + "\n";
  }
  out += "Restored " + std::to_string(restored) + " of " + std::to_string(entries.size()) +
         " values from " + path + "\n";
  Write(stdout, out);
  return restored == entries.size() ? 0 : 1;
}

}  // namespace

int BackupsOfflineCommand(const CliArgs& args) {
  SourceOpened opened = OpenSource(args);
  if (!opened.source) {
    Write(stderr, opened.error);
    return 3;
  }
  posix::LinuxFileSystem& files = opened.source->Files();
  const std::string folder = files.LinuxPath(BackupFolderPath("C:"));
  const std::vector<BackupRow> rows = BuildBackupRows(ListFolder(folder));
  if (args.action == BackupsAction::kList) {
    std::string out = "ID  FILE\n";
    for (const BackupRow& r : rows) out += r.id + "   " + r.name + "\n";
    Write(stdout, out);
    return 0;
  }
  if (args.action == BackupsAction::kDelete) {
    return UsageError("only 'backups list', 'backups restore' and 'backups verify' run on Linux");
  }
  const std::optional<std::size_t> row = FindBackupRow(rows, args.target);
  if (!row) {
    return UsageError("no backup has the ID or file name '" + args.target +
                      "' (see 'quillmar-cli backups list --offline DIR')");
  }
  const std::string path = folder + "/" + rows[*row].name;
  if (args.action == BackupsAction::kVerify) return Verify(*opened.source->Offline(), path);
  return Restore(*opened.source->Offline(), path);
}

}  // namespace qm::cli
