#include "platform/linux/file_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"

namespace qm::posix {

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    const int e = errno;
    return Failure{SystemCode(e), path + " cannot be read: " + std::strerror(e)};
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n == 0) return bytes;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failure{SystemCode(errno), path + " cannot be read whole"};
    bytes.insert(bytes.end(), buf, buf + n);
  }
}

}  // namespace qm::posix
