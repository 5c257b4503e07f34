#include "cli/linux/source.h"

#include "platform/linux/offline_windows.h"
#include "platform/linux/wine_prefix.h"

namespace qm::cli {

namespace {

class PrefixSource final : public RegistrySource {
 public:
  // Wine's system folder, in the letters Wine reports it.
  explicit PrefixSource(const std::string& dir)
      : files_(posix::WinePrefixDrives(dir), "C:\\windows\\system32") {}
  posix::WinePrefixRegistry registry;
  RegistryReader& Reader() override { return registry.Reader(); }
  posix::LinuxFileSystem& Files() override { return files_; }

 private:
  posix::LinuxFileSystem files_;
};

class OfflineSource final : public RegistrySource {
 public:
  explicit OfflineSource(const std::string& dir) : files_({{'C', dir}}, "C:\\Windows\\System32") {}
  posix::OfflineWindows registry;
  RegistryReader& Reader() override { return registry.Reader(); }
  posix::OfflineWindows* Offline() override { return &registry; }
  posix::LinuxFileSystem& Files() override { return files_; }

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
    opened.source = std::move(offline);
    return opened;
  }
  opened.error =
      "quillmar-cli: this build reads a Wine prefix (--prefix DIR) or a Windows "
      "installation (--offline DIR)\n";
  return opened;
}

}  // namespace qm::cli
