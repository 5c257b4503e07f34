#include "platform/linux/wine_server.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"

namespace qm::posix {

namespace {

// The folders of this user's in `tmp` that may hold Wine's server folders.
std::vector<std::string> ServerRoots(const std::string& tmp) {
  std::vector<std::string> roots{tmp + "/.wine-" + std::to_string(::getuid())};
  if (const UniqueDir dir(::opendir(tmp.c_str())); dir) {
    while (const dirent* e = ::readdir(dir.Get())) {
      if (std::strncmp(e->d_name, "wine-", 5) != 0) continue;
      const std::string path = tmp + "/" + e->d_name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()) {
        roots.push_back(path);
      }
    }
  }
  return roots;
}

Failure Unknown(const std::string& what, int e) {
  return {SystemCode(e), what + ": " + std::strerror(e)};
}

// Whether another process holds the lock file's lock; the file's absence
// means no server has used this folder since it was emptied.
Result<bool> LockHeld(const std::string& lock) {
  const UniqueFd fd(::open(lock.c_str(), O_RDONLY));
  if (!fd) {
    const int e = errno;
    if (e == ENOENT || e == ENOTDIR) return false;
    return Unknown(lock, e);
  }
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  const int rc = ::fcntl(fd.Get(), F_GETLK, &fl);
  const int e = errno;
  if (rc != 0) return Unknown(lock, e);
  return fl.l_type != F_UNLCK;
}

}  // namespace

Result<bool> WineServerRunning(const std::string& prefix, const std::string& tmp) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return Unknown(prefix, errno);
  char name[64];
  std::snprintf(name, sizeof name, "/server-%llx-%llx/lock",
                static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  Result<bool> result = false;
  for (const std::string& root : ServerRoots(tmp)) {
    Result<bool> held = LockHeld(root + name);
    if (held.ok() && held.value()) return held;
    // A lock that cannot be looked at may be a running server's.
    if (!held.ok()) result = std::move(held);
  }
  return result;
}

}  // namespace qm::posix
