#include "platform/linux/wine_prefix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/file_replace.h"
#include "platform/text.h"
#include "platform/wine_registry_text.h"

namespace qm::posix {

namespace {

// The whole file, or nothing with `error` set.
bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = path + " cannot be read: " + std::strerror(errno);
    return false;
  }
  bytes.clear();
  std::uint8_t buf[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    error = path + " cannot be read whole";
    return false;
  }
  return true;
}

constexpr std::string_view kMachineBase = "REGISTRY\\Machine";
constexpr std::string_view kUserBase = "REGISTRY\\User\\";

constexpr RegKey kHkeyCurrentConfig = 0x80000005u;
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
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadWhole(file, bytes, error)) {
      failed.emplace_back(file, file + " cannot be read again");
      continue;
    }
    // The changes were made to what Load read: a file changed since then
    // (a Wine server ran meanwhile) may hold other values under the same
    // names, which must not be deleted or overwritten unseen.
    if (bytes != LoadedText(file)) {
      failed.emplace_back(file, file + " changed since the scan; nothing is changed in it");
      continue;
    }
    const WineTextEdited edited = EditWineText(bytes, changes);
    if (!edited.ok) {
      failed.emplace_back(file, file + " is not changed: " + edited.error);
      continue;
    }
    const FileReplaced r = ReplaceFile(file, [&edited](const std::string& fresh) {
      std::FILE* f = std::fopen(fresh.c_str(), "wb");
      if (f == nullptr) return false;
      const bool whole =
          std::fwrite(edited.text.data(), 1, edited.text.size(), f) == edited.text.size();
      return std::fclose(f) == 0 && whole;
    });
    if (!r.ok) failed.emplace_back(file, r.error);
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
  view_.Map(0x80000005u, kHkeyLocalMachine,
            "System\\CurrentControlSet\\Hardware Profiles\\Current");
  view_.Absent(kHkeyPerformanceData);
  view_.Absent(0x80000006u);
}

bool WinePrefixRegistry::Load(const std::string& prefix) {
  prefix_ = prefix;
  std::vector<std::uint8_t> bytes;
  const auto read = [&](const char* name, RegKey root, std::string_view under,
                        std::string_view want_base, const char* meant, WineRegistryRead& result) {
    const std::string path = prefix + "/" + name;
    if (!ReadWhole(path, bytes, error_)) return false;
    loaded_[path] = bytes;
    if (!IsWineRegistryText(bytes)) {
      error_ = path + " is not a Wine registry file";
      return false;
    }
    result = ReadWineRegistry(bytes, *tree_, root, under);
    if (!result.ok) {
      error_ = path + ", line " + std::to_string(result.line) + ": " + result.error;
      return false;
    }
    if (result.base.compare(0, want_base.size(), want_base) != 0) {
      error_ = path + " holds " + result.base + ", not " + meant;
      return false;
    }
    return true;
  };
  WineRegistryRead machine, user, defaults;
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
