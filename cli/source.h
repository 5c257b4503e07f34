// Whose registry quillmar-cli reads and repairs: the running Windows
// system's, a Wine prefix's registry files or the hives of a Windows
// installation that is not running. The commands are written once over
// this; each system's build opens the sources it can.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_args.h"
#include "cli/scan_search.h"
#include "platform/environment.h"
#include "platform/failure.h"
#include "platform/file_store.h"
#include "platform/file_system.h"
#include "platform/profile_io.h"
#include "platform/registry.h"
#include "platform/registry_writer.h"
#include "repair/backup_manager.h"
#include "repair/backup_writer.h"

namespace qm::cli {

class RegistrySource;
// A source, or the message for standard error: its code kErrNotSupported
// when the command line asked for what this build cannot read.
using SourceOpened = Result<std::unique_ptr<RegistrySource>>;

class RegistrySource {
 public:
  virtual ~RegistrySource() = default;

  // What the scan reads, the file system that judges its paths, and what
  // the scanned user's programs expand their texts' variables with.
  [[nodiscard]] virtual RegistryReader& Reader() = 0;
  [[nodiscard]] virtual FileSystem& Files() = 0;
  [[nodiscard]] virtual const Environment& Env() = 0;
  // How the registry was read, for standard error before the scan and the
  // JSON's warnings: a hive not closed cleanly.
  [[nodiscard]] virtual std::vector<std::string> ReadWarnings() { return {}; }

  // What must be done before the walk (the snapshots of --walk snapshot);
  // the message for standard error when nothing may be searched. A stop
  // asked meanwhile reaches the walk through `progress`.
  [[nodiscard]] virtual std::string BeforeScan(const CliArgs&, ScanProgress&) { return {}; }
  // True when Ctrl+C came before the walk opened its start key (while a
  // snapshot was read): a stop, not a missing key.
  [[nodiscard]] virtual bool StoppedBeforeWalk() { return false; }
  // A scan that ended (run to its end, or stopped by Ctrl+C), recorded as
  // the scan window records it; the message for standard error when that
  // failed.
  [[nodiscard]] virtual std::string RecordScan(const ErrorList&) { return {}; }

  // The registry a repair's deletions and a restore's writes go through.
  [[nodiscard]] virtual RegistryEditor& Editor() = 0;
  // The files that may hold a key of `root`\`path` (none live).
  [[nodiscard]] virtual std::vector<std::string> FilesOf(RegKey root,
                                                         std::string_view path) const = 0;
  // Why these files must not be written now (the prefix's Wine server
  // runs, a hive was not closed cleanly), as the message for standard
  // error; empty when they may be. An empty set asks about the source.
  [[nodiscard]] virtual std::string WriteRefusal(const std::set<std::string>& files) = 0;
  // Each changed file written whole and put in place of the original; the
  // files that stay as they were, each with the message why. Live, the
  // editor has written already.
  [[nodiscard]] virtual std::vector<std::pair<std::string, std::string>> WriteChanges() = 0;
  // The registry as it is now, read afresh, for a restore's check: live,
  // the registry itself; a prefix or an installation, its files read
  // again; or the message why not.
  [[nodiscard]] virtual SourceOpened ReadAgain() = 0;

  // Where the backups live: the writer's place, and the folder's files.
  [[nodiscard]] virtual BackupPlace BackupWriter() = 0;
  [[nodiscard]] virtual BackupFolder& Backups() = 0;
  // The folder as listed, and a listed file's path, as the user's system
  // names them.
  [[nodiscard]] virtual std::string BackupFolderName() = 0;
  [[nodiscard]] virtual std::string BackupFile(std::string_view name) = 0;

  // The ignore lists a scan and a repair honour, all of them; `ignore`
  // edits the first. --ignore-file names the one list.
  [[nodiscard]] virtual std::vector<std::string> IgnoreFiles() = 0;
  [[nodiscard]] virtual FileStore& IgnoreStore() = 0;

  // ro.ini: BackupBeforeFix, the repair's count and the records. A prefix
  // or an installation has none: backups are on, nothing is recorded.
  [[nodiscard]] virtual PrivateProfile& Profile() = 0;
  // The records' file; empty when there are none to show.
  [[nodiscard]] virtual std::string RecordsFile() { return {}; }
};

// Reads what args.source and args.source_dir name; each system's build
// defines it.
[[nodiscard]] SourceOpened OpenSource(const CliArgs& args);

}  // namespace qm::cli
