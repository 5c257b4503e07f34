#include "platform/linux/system_code.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/failure.h"
#include "platform/file_system.h"

namespace qm::posix {

std::uint32_t SystemCode(int errno_value) {
  switch (errno_value) {
    case ENOENT:
      return kErrFileNotFound;
    case ENOTDIR:
      return kErrPathNotFound;
    case EEXIST:
      return kErrAlreadyExists;
    case ENOSPC:
      return kErrDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrAccessDenied;
    default:
      return kErrGenFailure;
  }
}

std::uint32_t SystemCodeCreating(int errno_value) {
  return errno_value == ENOENT ? kErrPathNotFound : SystemCode(errno_value);
}

Failure ErrnoFailure(std::string message) {
  const int e = errno;
  if (e != 0) message += std::string(" (") + std::strerror(e) + ")";
  return {e != 0 ? SystemCode(e) : kErrGenFailure, std::move(message)};
}

}  // namespace qm::posix
