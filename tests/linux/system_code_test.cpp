#include "platform/linux/system_code.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/linux/file_read.h"

namespace qm::posix {
namespace {

// The Linux sources report in the numbers the Windows program does: each
// errno the program meets as the Win32 error a user of Windows would see.
TEST(SystemCode, ErrnoReadsAsTheWindowsError) {
  struct Case {
    int errno_value;
    std::uint32_t code, creating;  // ERROR_* numbers as Windows documents them
  };
  const Case cases[] = {
      {ENOENT, 2, 3}, {ENOTDIR, 3, 3},    {EACCES, 5, 5},     {EPERM, 5, 5},
      {EROFS, 5, 5},  {EEXIST, 183, 183}, {ENOSPC, 112, 112}, {EIO, 31, 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SystemCode(c.errno_value), c.code) << c.errno_value;
    EXPECT_EQ(SystemCodeCreating(c.errno_value), c.creating) << c.errno_value;
  }
  // The one read carries the code, and names the file for the user.
  const Result<std::vector<std::uint8_t>> missing = ReadWholeFile("/nonexistent/qm-file");
  EXPECT_EQ(missing.code(), 2u);
  EXPECT_EQ(missing.detail(), "/nonexistent/qm-file cannot be read: No such file or directory");
}

}  // namespace
}  // namespace qm::posix
