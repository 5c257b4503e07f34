#include "platform/linux/wine_prefix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

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

}  // namespace

WinePrefixRegistry::WinePrefixRegistry()
    : tree_(std::make_unique<MemoryRegistry>()), view_(*tree_) {
  view_.Map(kHkeyClassesRoot, kHkeyLocalMachine, "Software\\Classes");
  view_.Map(0x80000005u, kHkeyLocalMachine,
            "System\\CurrentControlSet\\Hardware Profiles\\Current");
  view_.Absent(kHkeyPerformanceData);
  view_.Absent(0x80000006u);
}

bool WinePrefixRegistry::Load(const std::string& prefix) {
  std::vector<std::uint8_t> bytes;
  const auto read = [&](const char* name, RegKey root, std::string_view under,
                        std::string_view want_base, const char* meant, WineRegistryRead& result) {
    const std::string path = prefix + "/" + name;
    if (!ReadWhole(path, bytes, error_)) return false;
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
