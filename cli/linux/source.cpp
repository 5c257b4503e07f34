#include "cli/linux/source.h"

#include <fstream>
#include <iterator>

#include "platform/linux/hive_file.h"
#include "platform/linux/offline_windows.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_server.h"

namespace qm::cli {

namespace {

class PrefixSource final : public RegistrySource {
 public:
  // Wine's system folder, in the letters Wine reports it.
  explicit PrefixSource(const std::string& dir)
      : dir_(dir), files_(posix::WinePrefixDrives(dir), "C:\\windows\\system32") {}
  posix::WinePrefixRegistry registry;
  RegistryReader& Reader() override { return registry.Reader(); }
  posix::LinuxFileSystem& Files() override { return files_; }
  RegistryEditor& Editor() override { return registry.Editor(); }

  std::vector<std::string> FilesOf(RegKey root, std::string_view path) const override {
    const auto place = registry.PlaceOf(root, path);
    return place ? std::vector<std::string>{place->file} : std::vector<std::string>{};
  }

  std::string WriteRefusal(const std::set<std::string>&) override {
    const posix::WineServerCheck server = posix::CheckWineServer(dir_);
    if (server.state == posix::WineServerState::kStopped) return {};
    if (server.state == posix::WineServerState::kUnknown) {
      return "quillmar-cli: whether the prefix's Wine server runs cannot be told (" +
             server.detail + "), so its registry files are not written. Nothing was changed.\n";
    }
    return "quillmar-cli: the Wine server of the prefix " + dir_ +
           " is running: it would write its own registry over the files when it exits. "
           "Close the prefix's programs and stop it (WINEPREFIX=" +
           dir_ + " wineserver -k), then repair again. Nothing was changed.\n";
  }

  std::vector<std::pair<std::string, std::string>> WriteChanges() override {
    std::vector<std::pair<std::string, std::string>> failed;
    for (const auto& [file, deletions] : registry.Deletions()) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
      if (!in.is_open() || in.bad()) {
        failed.emplace_back(file, file + " cannot be read again");
        continue;
      }
      // The rows and their values are what the scan read: a file changed
      // since then (a Wine server ran meanwhile) may hold other values
      // under the same names, which must not be deleted unseen.
      if (bytes != registry.LoadedText(file)) {
        failed.emplace_back(file, file + " changed since the scan; nothing is deleted from it");
        continue;
      }
      const posix::WineTextEdited edited = posix::DeleteWineValues(bytes, deletions);
      if (!edited.ok) {
        failed.emplace_back(file, file + " is not changed: " + edited.error);
        continue;
      }
      const posix::FileReplaced r = posix::ReplaceFile(file, [&edited](const std::string& fresh) {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(edited.text.data()),
                  static_cast<std::streamsize>(edited.text.size()));
        out.close();
        return static_cast<bool>(out);
      });
      if (!r.ok) failed.emplace_back(file, r.error);
    }
    return failed;
  }

 private:
  std::string dir_;
  posix::LinuxFileSystem files_;
};

class OfflineSource final : public RegistrySource {
 public:
  explicit OfflineSource(const std::string& dir) : files_({{'C', dir}}, "C:\\Windows\\System32") {}
  posix::OfflineWindows registry;
  RegistryReader& Reader() override { return registry.Reader(); }
  posix::OfflineWindows* Offline() override { return &registry; }
  posix::LinuxFileSystem& Files() override { return files_; }
  RegistryEditor& Editor() override { return registry.Editor(); }

  std::vector<std::string> FilesOf(RegKey root, std::string_view path) const override {
    return registry.HivesOf(root, path);
  }

  // A hive with changes still in its logs would lose them, or be ruined,
  // if written now.
  std::string WriteRefusal(const std::set<std::string>& hives) override {
    for (const std::string& file : hives) {
      const posix::HiveHeader header = posix::ReadHiveHeader(file);
      if (!header.read) return "quillmar-cli: " + header.error + "; nothing was changed.\n";
      if (header.clean) continue;
      return "quillmar-cli: the hive " + file +
             " was not closed cleanly (its two sequence numbers differ): Windows was "
             "hibernated or shut down with fast start-up, and changes are still in its log "
             "files. Boot Windows and shut it down fully (turn fast start-up off, or hold "
             "Shift while choosing Shut down), then repair again. Nothing was changed.\n";
    }
    return {};
  }

  std::vector<std::pair<std::string, std::string>> WriteChanges() override {
    std::vector<std::pair<std::string, std::string>> failed;
    for (const auto& [file, changes] : registry.Changes()) {
      const posix::HiveWriteResult w = posix::WriteHive(file, changes);
      if (!w.ok) failed.emplace_back(file, w.error);
    }
    return failed;
  }

 private:
  posix::LinuxFileSystem files_;
};

}  // namespace

SourceOpened OpenSource(const CliArgs& args) {
  SourceOpened opened;
  if (args.source == Source::kPrefix) {
    auto prefix = std::make_unique<PrefixSource>(args.source_dir);
    if (!prefix->registry.Load(args.source_dir)) {
      opened.error =
          "quillmar-cli: the prefix's registry cannot be read: " + prefix->registry.error() +
          "; nothing was searched.\n";
      return opened;
    }
    prefix->environment =
        RegistryEnvironment(prefix->registry.Reader(), prefix->registry.UserSid());
    opened.source = std::move(prefix);
    return opened;
  }
  if (args.source == Source::kOffline) {
    auto offline = std::make_unique<OfflineSource>(args.source_dir);
    if (!offline->registry.Load(offline->Files(), args.user)) {
      opened.error =
          "quillmar-cli: the installation's registry cannot be read: " + offline->registry.error() +
          "; nothing was searched.\n";
      return opened;
    }
    offline->environment =
        RegistryEnvironment(offline->registry.Reader(), offline->registry.CurrentSid());
    opened.source = std::move(offline);
    return opened;
  }
  opened.error =
      "quillmar-cli: this build reads a Wine prefix (--prefix DIR) or a Windows "
      "installation (--offline DIR)\n";
  return opened;
}

}  // namespace qm::cli
