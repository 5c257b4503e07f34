#include "platform/linux/file_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/handles.h"

namespace qm::posix {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    error = path + " cannot be read: " + std::strerror(errno);
    return false;
  }
  bytes.clear();
  std::uint8_t buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + " cannot be read whole";
      return false;
    }
    bytes.insert(bytes.end(), buf, buf + n);
  }
}

}  // namespace qm::posix
