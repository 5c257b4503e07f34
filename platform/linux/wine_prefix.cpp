#include "platform/linux/wine_prefix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

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

// Keys opened through the editor keep the path they were opened by, as the
// root shows it, so that each deletion finds the file and the key it names.
class WinePrefixRegistry::DeletionRecorder final : public RegistryEditor {
 public:
  explicit DeletionRecorder(WinePrefixRegistry& owner) : o_(owner) {}

  RegStatus OpenKeyForQuery(RegKey parent, std::string_view path, RegKey* out) override {
    return Open(parent, path, out);
  }
  RegStatus OpenKeyForWrite(RegKey parent, std::string_view path, RegKey* out) override {
    return Open(parent, path, out);
  }
  RegStatus CreateKeyForWrite(RegKey, std::string_view, RegKey* out) override {
    *out = kNoKey;
    return kRegAccessDenied;
  }
  RegStatus QueryValue(RegKey key, std::string_view name, RegValue& value) override {
    return o_.tree_->QueryValue(key, name, value);
  }
  RegStatus DeleteValue(RegKey key, std::string_view name) override {
    const auto it = opened_.find(key);
    if (it == opened_.end()) return kRegInvalidHandle;
    // A key no file holds (a root's own values, another user's) cannot be
    // changed on disk.
    const auto place = o_.PlaceOf(it->second.root, it->second.path);
    if (!place) return kRegAccessDenied;
    const RegStatus rc = o_.tree_->DeleteValue(key, name);
    if (rc != kRegOk) return rc;
    o_.deletions_[place->file].push_back({place->inner, std::string(name)});
    return kRegOk;
  }
  RegStatus WriteValue(RegKey, const RegValue&) override { return kRegAccessDenied; }
  void CloseKey(RegKey key) override {
    opened_.erase(key);
    o_.tree_->CloseKey(key);
  }

 private:
  struct Opened {
    RegKey root;
    std::string path;
  };

  RegStatus Open(RegKey parent, std::string_view path, RegKey* out) {
    *out = kNoKey;
    Opened at;
    if (IsPredefinedRoot(parent)) {
      at = {CanonicalRoot(parent), std::string(path)};
    } else {
      const auto it = opened_.find(parent);
      if (it == opened_.end()) return kRegInvalidHandle;
      at = {it->second.root, Below(it->second.path, path)};
    }
    // The tree holds the classes and the current configuration where
    // Wine keeps them, below HKEY_LOCAL_MACHINE.
    RegKey tree_root = at.root;
    std::string tree_path = at.path;
    if (at.root == kHkeyClassesRoot || at.root == kHkeyCurrentConfig) {
      tree_root = kHkeyLocalMachine;
      tree_path =
          Below(at.root == kHkeyClassesRoot ? "Software\\Classes" : kCurrentConfig, at.path);
    }
    const RegStatus rc = o_.tree_->OpenKeyForWrite(tree_root, tree_path, out);
    if (rc == kRegOk) opened_[*out] = std::move(at);
    return rc;
  }

  WinePrefixRegistry& o_;
  std::map<RegKey, Opened> opened_;
};

WinePrefixRegistry::~WinePrefixRegistry() = default;

RegistryEditor& WinePrefixRegistry::Editor() {
  if (!recorder_) recorder_ = std::make_unique<DeletionRecorder>(*this);
  return *recorder_;
}

std::optional<WinePrefixRegistry::Place> WinePrefixRegistry::PlaceOf(RegKey root,
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
