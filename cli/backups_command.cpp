// quillmar-cli backups: the backup manager's list, restore and delete, and
// a comparison of a backup with the registry, on any source.
#include <set>

#include "cli/backup_report.h"
#include "cli/commands.h"
#include "platform/file_system.h"
#include "repair/backup_restore.h"
#include "repair/reg_file_reader.h"
#include "repair/row_value.h"

namespace qm::cli {

namespace {

// The root and key path of a backup's key line.
std::pair<RegKey, std::string> Split(const std::string& key) {
  const std::size_t cut = key.find('\\');
  return {RootKeyFromName(key.substr(0, cut)), cut == std::string::npos ? "" : key.substr(cut + 1)};
}

// The file's values, or nothing after saying on standard error why the
// file cannot be read whole or is damaged. `exit` is the status to end
// with then; `seal` says what the file's check line says.
std::optional<RegFileContent> ReadBackup(RegistrySource& source, const std::string& path,
                                         Console& console, int& exit, SealCheck& seal) {
  BackupFolder& folder = source.Backups();
  if (folder.FileMissing(path)) {
    console.Write(stderr, VanishedBackupText(path));
    exit = 1;
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  if (const std::uint32_t error = folder.ReadWhole(path, bytes); error != 0) {
    console.Write(stderr, UnreadableBackupText(path, "the file could not be read (error " +
                                                         std::to_string(error) + ")"));
    exit = 3;
    return std::nullopt;
  }
  RegFileReadResult read = ReadRegFile(bytes, source.BackupWriter().code_page);
  seal = read.seal;
  if (!read.content) {
    console.Write(stderr, BackupRefusedText(path, read));
    exit = 3;
  }
  return std::move(read.content);
}

// Each value is written with its own type and bytes, the changed files
// are written, and then every value is read back from the registry as it
// is now (a prefix's or an installation's files read again): what the
// report says is back is back. The registry editor's import would add a
// NUL to string data lacking one and report success for a file it could
// not read.
int Restore(RegistrySource& source, const std::string& path, Console& console) {
  int exit = 0;
  SealCheck seal;
  const std::optional<RegFileContent> file = ReadBackup(source, path, console, exit, seal);
  if (!file) return exit;
  if (seal.verdict == SealVerdict::kUnsealed) {
    console.Write(stderr, UnverifiedRestoreWarning(path));
  }
  const std::vector<BackupEntry>& entries = file->entries;
  std::set<std::string> files;
  for (const BackupEntry& e : entries) {
    const auto [root, key] = Split(e.key);
    for (std::string& f : source.FilesOf(root, key)) files.insert(std::move(f));
  }
  if (const std::string refused = source.WriteRefusal(files); !refused.empty()) {
    console.Write(stderr, refused);
    return 3;
  }
  std::vector<ValueOutcome> outcomes = RestoreEntries(entries, source.Editor());
  for (const auto& [written, error] : source.WriteChanges()) {
    console.Write(stderr, "quillmar-cli: " + error + "; the file is as it was.\n");
  }
  const SourceOpened now = source.ReadAgain();
  if (!now.ok()) {
    console.Write(stderr, now.detail());
    return 3;
  }
  const std::vector<ValueOutcome> checked = CompareWithRegistry(entries, now.value()->Editor());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    if (outcomes[i].check != ValueCheck::kNotWritten) outcomes[i] = checked[i];
  }
  console.Write(stdout, RestoreText(path, entries, outcomes, exit));
  return exit;
}

int Verify(RegistrySource& source, const std::string& path, Console& console) {
  int exit = 0;
  SealCheck seal;
  const std::optional<RegFileContent> file = ReadBackup(source, path, console, exit, seal);
  if (!file) return exit;
  const std::vector<ValueOutcome> outcomes = CompareWithRegistry(file->entries, source.Editor());
  console.Write(stdout, VerifyText(path, seal, file->entries, outcomes));
  return VerifyExitStatus(outcomes);
}

int Delete(RegistrySource& source, const std::string& path, Console& console) {
  const std::uint32_t error = source.Backups().Remove(path);
  if (error == kErrFileNotFound || error == kErrPathNotFound) {
    console.Write(stderr, VanishedBackupText(path));
    return 1;
  }
  if (error != 0) {
    console.Write(stderr,
                  "无法删除备份文件：" + path + "\n错误代码 " + std::to_string(error) + "。\n");
    return 1;
  }
  console.Write(stdout, "Deleted " + path + "\n");
  return 0;
}

}  // namespace

int BackupsCommand(const CliArgs& args, RegistrySource& source, Console& console) {
  const std::vector<BackupRow> rows =
      BuildBackupRows(source.Backups().List(source.BackupFolderName()));
  if (args.action == BackupsAction::kList) {
    console.Write(stdout, BackupListText(rows));
    return 0;
  }
  const std::optional<std::size_t> row = FindBackupRow(rows, args.target);
  if (!row) {
    return UsageError(console, "no backup has the ID or file name '" + args.target +
                                   "' (see 'quillmar-cli backups list')");
  }
  const std::string path = source.BackupFile(rows[*row].name);
  switch (args.action) {
    case BackupsAction::kRestore:
      return Restore(source, path, console);
    case BackupsAction::kVerify:
      return Verify(source, path, console);
    default:
      return Delete(source, path, console);
  }
}

}  // namespace qm::cli
