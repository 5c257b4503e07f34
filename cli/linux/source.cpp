// The sources the Linux quillmar-cli reads: a Wine prefix's registry files
// and a Windows installation's hives, with their drive C: holding the
// backups and the ignore list, where that system's own Quillmar finds them.
#include "cli/source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/file_read.h"
#include "platform/linux/handles.h"
#include "platform/linux/hive_file.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/offline_windows.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_server.h"
#include "platform/text.h"
#include "profile/ignore_list.h"
#include "profile/profile_store.h"
#include "repair/code_page.h"
#include "repair/linux/backup_disk.h"

namespace qm::cli {

namespace {

// A prefix or an installation has no ro.ini: BackupBeforeFix is on unless
// --no-backup, and the repair's count is not recorded.
class NoProfile final : public PrivateProfile {
 public:
  [[nodiscard]] ProfileRead GetString(std::string_view, std::string_view section,
                                      std::string_view key, std::size_t) override {
    if (text::EqualsNoCase(section, kSettingsSection) &&
        text::EqualsNoCase(key, kBackupBeforeFixKey)) {
      return {"1", 1};
    }
    return {};
  }
  [[nodiscard]] bool WriteString(std::string_view, std::string_view, std::string_view,
                                 std::string_view) override {
    return true;
  }
};

// The ignore list by its Linux path: written whole beside it and renamed
// over it, its folder made when the drive has no RegBackups yet.
class LinuxFileStore final : public FileStore {
 public:
  [[nodiscard]] Result<std::string> ReadWhole(std::string_view path) override {
    Result<std::vector<std::uint8_t>> read = posix::ReadWholeFile(std::string(path));
    if (!read.ok()) return read.failure();
    return std::string(read.value().begin(), read.value().end());
  }
  [[nodiscard]] Status ReplaceWhole(std::string_view path, std::string_view bytes) override {
    const std::string file(path);
    const std::size_t cut = file.rfind('/');
    if (cut != std::string::npos && cut > 0) {
      // Only the last folder is made: a drive that is not there is not. A
      // folder that cannot be made fails the write below, which says so.
      (void)::mkdir(file.substr(0, cut).c_str(), 0755);
    }
    const std::string fresh = file + ".quillmar-new";
    const auto refused = [&fresh, &file] {
      ::unlink(fresh.c_str());
      return Failure{kErrAccessDenied, file};
    };
    {
      posix::UniqueFd out(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
      if (!out) return refused();
      std::size_t done = 0;
      while (done < bytes.size()) {
        const ssize_t n = ::write(out.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      if (!posix::CloseWrittenFile(out) || done != bytes.size()) return refused();
    }
    if (::rename(fresh.c_str(), file.c_str()) != 0) return refused();
    return {};
  }
};

// What a prefix and an installation share: drive C: in a Linux folder, the
// backups and the ignore list in its RegBackups.
class DriveSource : public RegistrySource {
 public:
  DriveSource(const CliArgs& args, std::map<char, std::string> drives, std::string system)
      : args_(args),
        drive_c_(drives.count('C') != 0 ? drives['C'] : std::string()),
        files_(std::move(drives), std::move(system)),
        disk_(files_) {}
  VariableTable environment;
  const Environment& Env() override { return environment; }
  posix::LinuxFileSystem& Files() override { return files_; }

  SourceOpened ReadAgain() override { return OpenSource(args_); }

  // The backup lies in C:\RegBackups of the installation or the prefix,
  // where the system's registry editor can import it.
  BackupPlace BackupWriter() override { return BackupPlace{"C:", disk_, code_page_, clock_}; }
  BackupFolder& Backups() override { return folder_; }
  std::string BackupFolderName() override { return files_.LinuxPath(BackupFolderPath("C:")); }
  std::string BackupFile(std::string_view name) override {
    return BackupFolderName() + "/" + std::string(name);
  }

  std::vector<std::string> IgnoreFiles() override {
    const std::string listed = files_.LinuxPath(IgnoreListPath(BackupFolderPath("C:")));
    if (!listed.empty()) return {listed};
    const std::string folder = BackupFolderName();
    return {(folder.empty() ? drive_c_ + "/RegBackups" : folder) + "/ignore.txt"};
  }
  FileStore& IgnoreStore() override { return store_; }
  PrivateProfile& Profile() override { return profile_; }

 protected:
  CliArgs args_;

 private:
  std::string drive_c_;
  posix::LinuxFileSystem files_;
  posix::LinuxBackupDisk disk_;
  posix::LinuxBackupFolder folder_;
  Windows1252CodePage code_page_;
  posix::LinuxBackupClock clock_;
  LinuxFileStore store_;
  NoProfile profile_;
};

class PrefixSource final : public DriveSource {
 public:
  // Wine's system folder, in the letters Wine reports it.
  explicit PrefixSource(const CliArgs& args)
      : DriveSource(args, posix::WinePrefixDrives(args.source_dir), "C:\\windows\\system32") {}
  posix::WinePrefixRegistry registry;
  RegistryReader& Reader() override { return registry.Reader(); }
  RegistryEditor& Editor() override { return registry.Editor(); }

  std::vector<std::string> FilesOf(RegKey root, std::string_view path) const override {
    const auto place = registry.PlaceOf(root, path);
    return place ? std::vector<std::string>{place->file} : std::vector<std::string>{};
  }

  std::string WriteRefusal(const std::set<std::string>&) override {
    const std::string& dir = args_.source_dir;
    const Result<bool> running = posix::WineServerRunning(dir);
    if (!running.ok()) {
      return "quillmar-cli: whether the prefix's Wine server runs cannot be told (" +
             running.detail() + "), so its registry files are not written. Nothing was changed.\n";
    }
    if (!running.value()) return {};
    return "quillmar-cli: the Wine server of the prefix " + dir +
           " is running: it would write its own registry over the files when it exits. "
           "Close the prefix's programs and stop it (WINEPREFIX=" +
           dir + " wineserver -k), then try again. Nothing was changed.\n";
  }

  // Each changed registry file edited and replaced whole; a file that
  // differs from what was read (a Wine server ran meanwhile) stays as it was.
  std::vector<std::pair<std::string, std::string>> WriteChanges() override {
    return registry.WriteChanges();
  }
};

class OfflineSource final : public DriveSource {
 public:
  explicit OfflineSource(const CliArgs& args)
      : DriveSource(args, {{'C', args.source_dir}}, "C:\\Windows\\System32") {}
  posix::OfflineWindows registry;
  RegistryReader& Reader() override { return registry.Reader(); }
  RegistryEditor& Editor() override { return registry.Editor(); }

  std::vector<std::string> ReadWarnings() override {
    std::vector<std::string> warnings;
    for (const std::string& hive : registry.DirtyHives()) {
      warnings.push_back("the hive " + hive +
                         " was not closed cleanly (its two sequence numbers differ): the changes "
                         "held in its log files (.LOG1, .LOG2) are not seen");
    }
    return warnings;
  }

  std::vector<std::string> FilesOf(RegKey root, std::string_view path) const override {
    return registry.HivesOf(root, path);
  }

  // A hive with changes still in its logs would lose them, or be ruined,
  // if written now.
  std::string WriteRefusal(const std::set<std::string>& hives) override {
    for (const std::string& file : hives) {
      const Result<bool> clean = posix::ReadHiveHeader(file);
      if (!clean.ok()) return "quillmar-cli: " + clean.detail() + "; nothing was changed.\n";
      if (clean.value()) continue;
      return "quillmar-cli: the hive " + file +
             " was not closed cleanly (its two sequence numbers differ): Windows was "
             "hibernated or shut down with fast start-up, and changes are still in its log "
             "files. Boot Windows and shut it down fully (turn fast start-up off, or hold "
             "Shift while choosing Shut down), then try again. Nothing was changed.\n";
    }
    return {};
  }

  std::vector<std::pair<std::string, std::string>> WriteChanges() override {
    return registry.WriteChanges();
  }
};

}  // namespace

SourceOpened OpenSource(const CliArgs& args) {
  if (args.source == Source::kPrefix) {
    auto prefix = std::make_unique<PrefixSource>(args);
    if (const Status loaded = prefix->registry.Load(args.source_dir); !loaded.ok()) {
      return Failure{loaded.code(), "quillmar-cli: the prefix's registry cannot be read: " +
                                        loaded.detail() + "; nothing was searched.\n"};
    }
    prefix->environment =
        RegistryEnvironment(prefix->registry.Reader(), prefix->registry.UserSid());
    return prefix;
  }
  if (args.source == Source::kOffline) {
    auto offline = std::make_unique<OfflineSource>(args);
    if (const Status loaded = offline->registry.Load(offline->Files(), args.user); !loaded.ok()) {
      return Failure{loaded.code(), "quillmar-cli: the installation's registry cannot be read: " +
                                        loaded.detail() + "; nothing was searched.\n"};
    }
    offline->environment =
        RegistryEnvironment(offline->registry.Reader(), offline->registry.CurrentSid());
    return offline;
  }
  return Failure{kErrNotSupported,
                 "this build reads a Wine prefix (--prefix DIR) or a Windows installation "
                 "(--offline DIR), not the running system's registry"};
}

}  // namespace qm::cli
