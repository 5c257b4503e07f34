#include "platform/linux/wine_prefix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/linux/file_read.h"
#include "platform/linux/file_replace.h"
#include "platform/linux/handles.h"
#include "platform/text.h"
#include "platform/wine_registry_text.h"

namespace qm::posix {

namespace {

constexpr std::string_view kMachineBase = "REGISTRY\\Machine";
constexpr std::string_view kUserBase = "REGISTRY\\User\\";

constexpr std::string_view kCurrentConfig = "System\\CurrentControlSet\\Hardware Profiles\\Current";

std::string Below(std::string_view parent, std::string_view path) {
  if (parent.empty()) return std::string(path);
  return path.empty() ? std::string(parent) : std::string(parent) + "\\" + std::string(path);
}

}  // namespace

WinePrefixRegistry::~WinePrefixRegistry() = default;

RegistryEditor& WinePrefixRegistry::Editor() {
  if (recorder_) return *recorder_;
  const auto place_of = [this](RegKey root, const std::string& path, const std::string_view*) {
    return PlaceOf(root, path);
  };
  // The tree holds the classes and the current configuration where Wine
  // keeps them, below HKEY_LOCAL_MACHINE.
  const auto tree_of = [](RegKey root, const std::string& path) {
    if (root == kHkeyClassesRoot)
      return std::pair(kHkeyLocalMachine, Below("Software\\Classes", path));
    if (root == kHkeyCurrentConfig)
      return std::pair(kHkeyLocalMachine, Below(kCurrentConfig, path));
    return std::pair(root, path);
  };
  recorder_ = std::make_unique<ChangeRecorder>(*tree_, place_of, tree_of);
  return *recorder_;
}

const RegistryChanges& WinePrefixRegistry::Changes() const {
  static const RegistryChanges kNone;
  return recorder_ ? recorder_->Changes() : kNone;
}

std::vector<std::pair<std::string, std::string>> WinePrefixRegistry::WriteChanges() {
  std::vector<std::pair<std::string, std::string>> failed;
  for (const auto& [file, changes] : Changes()) {
    const Result<std::vector<std::uint8_t>> read = ReadWholeFile(file);
    if (!read.ok()) {
      failed.emplace_back(file, file + " cannot be read again");
      continue;
    }
    const std::vector<std::uint8_t>& bytes = read.value();
    // The changes were made to what Load read: a file changed since then
    // (a Wine server ran meanwhile) may hold other values under the same
    // names, which must not be deleted or overwritten unseen.
    if (bytes != LoadedText(file)) {
      failed.emplace_back(file, file + " changed since the scan; nothing is changed in it");
      continue;
    }
    const WineTextEdited edited = EditWineText(bytes, changes);
    if (!edited.ok()) {
      failed.emplace_back(file, file + " is not changed: " + edited.detail());
      continue;
    }
    const std::vector<std::uint8_t>& text = edited->text;
    const Status r = ReplaceFile(file, [&text](const std::string& fresh) {
      UniqueFd fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
      if (!fd) return false;
      std::size_t done = 0;
      while (done < text.size()) {
        const ssize_t n = ::write(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      return CloseWrittenFile(fd) && done == text.size();
    });
    if (!r.ok()) failed.emplace_back(file, r.detail());
  }
  return failed;
}

std::optional<WinePrefixRegistry::Place> WinePrefixRegistry::PlaceOf(RegKey root,
                                                                     std::string_view path) const {
  std::optional<Place> place = FileOf(root, path);
  // Wine makes HKEY_LOCAL_MACHINE\Hardware anew, volatile, at each start
  // (its user's Volatile Environment, though, it saves in user.reg): no file
  // holds it, and a key written there would become lasting.
  constexpr std::string_view kHardware = "Hardware";
  const std::string_view inner = place ? std::string_view(place->inner) : "";
  if (place && place->file.ends_with("/system.reg") &&
      text::EqualsNoCase(inner.substr(0, kHardware.size()), kHardware) &&
      (inner.size() == kHardware.size() || inner[kHardware.size()] == '\\')) {
    return std::nullopt;
  }
  return place;
}

std::optional<WinePrefixRegistry::Place> WinePrefixRegistry::FileOf(RegKey root,
                                                                    std::string_view path) const {
  root = CanonicalRoot(root);
  if (root == kHkeyLocalMachine) return Place{prefix_ + "/system.reg", std::string(path)};
  if (root == kHkeyClassesRoot)
    return Place{prefix_ + "/system.reg", Below("Software\\Classes", path)};
  if (root == kHkeyCurrentConfig)
    return Place{prefix_ + "/system.reg", Below(kCurrentConfig, path)};
  if (root == kHkeyCurrentUser) return Place{prefix_ + "/user.reg", std::string(path)};
  if (root != kHkeyUsers) return std::nullopt;
  const std::size_t cut = std::min(path.find('\\'), path.size());
  const std::string_view user = path.substr(0, cut);
  const std::string rest(path.substr(std::min(cut + 1, path.size())));
  if (text::EqualsNoCase(user, ".Default")) return Place{prefix_ + "/userdef.reg", rest};
  if (!sid_.empty() && text::EqualsNoCase(user, sid_)) return Place{prefix_ + "/user.reg", rest};
  return std::nullopt;
}

WinePrefixRegistry::WinePrefixRegistry()
    : tree_(std::make_unique<MemoryRegistry>()), view_(*tree_) {
  view_.Map(kHkeyClassesRoot, kHkeyLocalMachine, "Software\\Classes");
  view_.Map(kHkeyCurrentConfig, kHkeyLocalMachine,
            "System\\CurrentControlSet\\Hardware Profiles\\Current");
  view_.Absent(kHkeyPerformanceData);
  view_.Absent(kHkeyDynData);
}

Status WinePrefixRegistry::Load(const std::string& prefix) {
  if (LoadFiles(prefix)) return {};
  return Failure{kErrInvalidData, error_};
}

bool WinePrefixRegistry::LoadFiles(const std::string& prefix) {
  prefix_ = prefix;
  const auto read = [&](const char* name, RegKey root, std::string_view under,
                        std::string_view want_base, const char* meant, WineRegistryTree& result) {
    const std::string path = prefix + "/" + name;
    const Result<std::vector<std::uint8_t>> file = ReadWholeFile(path);
    if (!file.ok()) {
      error_ = file.detail();
      return false;
    }
    const std::vector<std::uint8_t>& bytes = file.value();
    loaded_[path] = bytes;
    if (!IsWineRegistryText(bytes)) {
      error_ = path + " is not a Wine registry file";
      return false;
    }
    const WineRegistryRead parsed = ReadWineRegistry(bytes, *tree_, root, under);
    if (!parsed.ok()) {
      error_ = path + ", " + parsed.detail();
      return false;
    }
    result = parsed.value();
    if (result.base.compare(0, want_base.size(), want_base) != 0) {
      error_ = path + " holds " + result.base + ", not " + meant;
      return false;
    }
    return true;
  };
  WineRegistryTree machine, user, defaults;
  if (!read("system.reg", kHkeyLocalMachine, {}, kMachineBase, "HKEY_LOCAL_MACHINE", machine))
    return false;
  // .Default before the user's key: HKEY_USERS lists its keys in name order.
  if (!read("userdef.reg", kHkeyUsers, ".Default", kUserBase, "a user's key", defaults))
    return false;
  if (!read("user.reg", kHkeyCurrentUser, {}, kUserBase, "a user's key", user)) return false;
  sid_ = user.base.substr(kUserBase.size());
  if (sid_.empty() || sid_.find('\\') != std::string::npos) {
    error_ = prefix + "/user.reg holds " + user.base + ", not a user's key";
    return false;
  }
  tree_->MountCurrentUserUnderUsers(sid_);
  return true;
}

}  // namespace qm::posix
