#include "platform/path_resolution.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/memory_file_system.h"

namespace qm {
namespace {

TEST(ResolvePath, ReadsPathsAsWindowsResolvesThem) {
  MemoryFileSystem fs("C:\\Windows\\System32", "C:\\Windows\\SysWOW64");
  fs.AddFile("C:\\Windows\\System32\\tool.exe");
  fs.AddFile("C:\\Windows\\SysWOW64\\only32.dll");
  fs.AddFile("C:\\Program Files\\Tool\\tool.exe");
  fs.AddFile("C:\\Program Files\\Common Files\\Microsoft Shared\\OFFICE14\\ACEODBC.DLL");
  fs.AddFile("C:\\Program Files (x86)\\Old\\old.exe");
  fs.AddFile("C:\\ProgramData\\Keep\\keep.exe");
  // The volume stores the short names crosswise to their order.
  fs.AddFile("C:\\Data Store One\\one.exe");
  fs.AddFile("C:\\Data Store Two\\two.exe");
  fs.SetShortName("C:\\Data Store One", "DATAST~2");
  fs.SetShortName("C:\\Data Store Two", "DATAST~1");
  fs.AddFile("C:\\Docs\\Long Name File.txt");
  fs.AddFile("C:\\Locked\\Inner Folder\\x.exe");
  fs.DenyListing("C:\\Locked");
  for (char c = 'A'; c <= 'Q'; ++c) fs.AddFile(std::string("C:\\Many\\Item ") + c + "\\x.exe");

  using P = PathPresence;
  struct Case {
    const char* path;
    PathPresence presence;
  };
  const Case cases[] = {
      {"C:\\WINDOWS\\sysnative\\tool.exe", P::kExists},
      {"C:\\Windows\\Sysnative\\gone.exe", P::kMissing},
      {"C:\\Windows\\System32\\only32.dll", P::kExists},
      {"C:\\Windows.\\System32 \\tool.exe", P::kExists},
      {"C:\\PROGRA~1\\Tool\\tool.exe", P::kExists},
      {"C:\\PROGRA~1\\COMMON~1\\MICROS~1\\OFFICE14\\ACEODBC.DLL", P::kExists},
      // Program Files comes first and leads nowhere; Program Files (x86) does.
      {"C:\\PROGRA~2\\Old\\old.exe", P::kExists},
      {"C:\\PROGRA~1\\Tool\\gone.exe", P::kMissing},
      {"C:\\NOTHIN~1\\tool.exe", P::kMissing},
      // Windows' hashed form after four alike names: two letters, four hex digits.
      {"C:\\PR3F0A~1\\Keep\\keep.exe", P::kExists},
      {"C:\\DATAST~1\\two.exe", P::kExists},
      {"C:\\DATAST~2\\two.exe", P::kMissing},
      {"C:\\Docs\\LONGNA~1.TXT", P::kExists},
      {"C:\\Docs\\LONGNA~1.EXE", P::kMissing},
      {"C:\\Locked\\INNERF~1\\x.exe", P::kCannotCheck},
      {"C:\\Many\\ITEM~1\\x.exe", P::kCannotCheck},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolvePath(fs, c.path), c.presence) << c.path;
}

}  // namespace
}  // namespace qm
