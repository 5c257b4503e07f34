// The running Windows system as quillmar-cli's source: the registry read
// from a snapshot of each root or call by call, the program's ro.ini,
// backups and ignore lists, as the scan window has them.
#include "cli/source.h"

#include <memory>
#include <string>

#include "app/system_services.h"
#include "platform/win32/snapshot_registry.h"
#include "profile/profile_store.h"
#include "repair/win32/backup_folder.h"
#include "scan/reg_search.h"

namespace qm::cli {

namespace {

class LiveSource final : public RegistrySource {
 public:
  explicit LiveSource(const CliArgs& args)
      : args_(args),
        snapshot_(args.walk == WalkChoice::kSnapshot ? win32::SnapshotPolicy::kSnapshotOnly
                                                     : win32::SnapshotPolicy::kFallBackToLive) {}

  RegistryReader& Reader() override {
    return args_.walk == WalkChoice::kLive ? static_cast<RegistryReader&>(system_.registry)
                                           : snapshot_;
  }
  FileSystem& Files() override { return system_.fs; }
  const Environment& Env() override { return system_.environment; }

  // Snapshots are read on a worker thread, so that Ctrl+C ends a long one
  // as it ends the walk; the progress line names the phase meanwhile. With
  // --walk snapshot every root to be walked is saved and read first, so
  // that a root without a snapshot fails the scan before anything is found.
  std::string BeforeScan(const CliArgs& args, ScanProgress& progress) override {
    progress.walking = [this](cRegSearch* search) { running_ = search; };
    snapshot_.SetWait([this, &args, progress](RegKey root) {
      if (!args.quiet && root != phase_root_) {
        phase_root_ = root;
        const std::string line = "reading the snapshot of " + std::string(RootKeyName(root));
        progress.write(progress.tty ? "\r" + line + "\x1b[K" : line + "\n");
      }
      if (!progress.interrupted()) return true;
      if (running_ != nullptr && !cancelled_) running_->StopSearch();
      cancelled_ = true;
      return false;
    });
    if (args.walk != WalkChoice::kSnapshot) return {};
    for (const RegRoot& r : kRegRoots) {
      if (args.root != 0 && CanonicalRoot(static_cast<std::uint32_t>(args.root)) != r.handle) {
        continue;
      }
      if (snapshot_.Prepare(r.handle) != win32::SnapshotRegistry::Source::kNone) continue;
      return "quillmar-cli: no snapshot of " + std::string(r.name) + " could be taken (" +
             snapshot_.SnapshotDetail(r.handle) + "); nothing was searched.\n";
    }
    return {};
  }
  // A walk stopped while a snapshot was read did not get to open its start
  // key: that is a stop, not a key that is not there.
  bool StoppedBeforeWalk() override { return cancelled_; }
  // What the scan window writes: the rows found, the time, and each
  // category's rows.
  std::string RecordScan(const ErrorList& rows) override {
    const std::string file = system_.ProfileFile();
    std::vector<std::pair<std::string, std::string>> records = {
        {std::string(kErrorCountKey), std::to_string(rows.Count())},
        {std::string(kLastScanTimeKey), system_.NowText()}};
    for (auto& count : CategoryCounts(rows)) records.push_back(std::move(count));
    for (const auto& [key, value] : records) {
      if (!WriteIniValue(system_.profile, file, kRecordsSection, key, value)) {
        return "quillmar-cli: the records could not be written to " + file + "\n";
      }
    }
    return {};
  }

  // The editor writes straight into the registry: nothing is left to put
  // in files, nothing to refuse beforehand.
  RegistryEditor& Editor() override { return system_.editor; }
  std::vector<std::string> FilesOf(RegKey, std::string_view) const override { return {}; }
  std::string WriteRefusal(const std::set<std::string>&) override { return {}; }
  std::vector<std::pair<std::string, std::string>> WriteChanges() override { return {}; }
  SourceOpened ReadAgain() override { return std::make_unique<LiveSource>(args_); }

  BackupPlace BackupWriter() override { return system_.Backups(); }
  BackupFolder& Backups() override { return folder_; }
  std::string BackupFolderName() override { return BackupFolderPath(system_.program_folder); }
  std::string BackupFile(std::string_view name) override {
    return BackupFilePath(system_.program_folder, name);
  }

  std::vector<std::string> IgnoreFiles() override { return system_.IgnoreFiles(); }
  FileStore& IgnoreStore() override { return system_.files; }
  PrivateProfile& Profile() override { return system_.profile; }
  std::string RecordsFile() override { return system_.ProfileFile(); }

 private:
  CliArgs args_;
  app::SystemServices system_;
  win32::SnapshotRegistry snapshot_;
  win32::Win32BackupFolder folder_;
  RegKey phase_root_ = kNoKey;
  cRegSearch* running_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace

SourceOpened OpenSource(const CliArgs& args) {
  if (args.source != Source::kLive) {
    return Failure{kErrNotSupported,
                   "'--prefix' and '--offline' are read by quillmar-cli on Linux"};
  }
  return std::make_unique<LiveSource>(args);
}

}  // namespace qm::cli
