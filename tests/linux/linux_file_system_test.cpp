#include "platform/linux/linux_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/path_resolution.h"
#include "tests/support/temp_folder.h"

namespace qm::posix {
namespace {

namespace fs = std::filesystem;

// A drive tree in a fresh folder, as Wine leaves one: names on disk in the
// letters their installers chose.
class LinuxFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = qm::testing::MakeTempFolder("qm-fs");
    ASSERT_FALSE(root_.empty());
    Touch("drive_c/Program Files/Inkwell/inkwell.exe");
    Touch("drive_c/windows/system32/kernel32.dll");
    Touch("drive_c/windows/syswow64/only32.dll");
    Touch("drive_c/Locked/inside.exe");
    Touch("other/tool.exe");
    fs::create_directories(root_ / "dosdevices");
    fs::create_symlink("../drive_c", root_ / "dosdevices/c:");
    fs::create_symlink("../other", root_ / "dosdevices/d:");
    fs::create_symlink("nowhere.exe", root_ / "drive_c/broken.exe");
    ::chmod((root_ / "drive_c/Locked").c_str(), 0);
  }
  void TearDown() override {
    ::chmod((root_ / "drive_c/Locked").c_str(), 0755);
    fs::remove_all(root_);
  }
  void Touch(const std::string& relative) {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative).put('x');
  }
  fs::path root_;
};

TEST_F(LinuxFileSystemTest, AnswersAsWindowsDoesWithoutCase) {
  LinuxFileSystem files(WinePrefixDrives(root_), "C:\\windows\\system32");
  struct Case {
    const char* path;
    bool exists;
    std::uint32_t error;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Inkwell\\inkwell.exe", true, 0},
      {"c:\\PROGRAM FILES\\inkwell\\INKWELL.EXE", true, 0},
      {"C:\\Program Files\\Inkwell\\", true, 0},
      {"C:\\", true, 0},
      // Win32 drops "." and climbs "..", and cuts trailing dots and blanks.
      {"C:\\Program Files\\Gone\\..\\.\\Inkwell\\inkwell.exe", true, 0},
      {"C:\\Program Files\\Inkwell\\inkwell.exe. ", true, 0},
      {"C:\\Program Files.\\Inkwell \\inkwell.exe", true, 0},
      {"C:\\Program Files\\\\Inkwell\\inkwell.exe", true, 0},
      {"C:\\Program Files\\Inkwell\\gone.exe", false, kErrFileNotFound},
      {"C:\\Program Files\\Gone\\gone.exe", false, kErrPathNotFound},
      // A file where a folder should be is no folder.
      {"C:\\Program Files\\Inkwell\\inkwell.exe\\x.dll", false, kErrPathNotFound},
      {"C:\\broken.exe", false, kErrFileNotFound},
      {"d:\\TOOL.exe", true, 0},
      {"Q:\\tool.exe", false, kErrPathNotFound},
      {"relative\\tool.exe", false, kErrPathNotFound},
  };
  for (const Case& c : cases) {
    const Status q = files.QueryPath(c.path);
    EXPECT_EQ(q.ok(), c.exists) << c.path;
    EXPECT_EQ(q.code(), c.error) << c.path;
  }
  // A folder that cannot be listed cannot say what is missing in it; the
  // superuser lists every folder, so there is nothing to deny it.
  if (::geteuid() != 0) {
    const Status q = files.QueryPath("C:\\Locked\\gone.exe");
    EXPECT_FALSE(q.ok());
    EXPECT_EQ(q.code(), kErrAccessDenied);
  }
}

// Short names resolve over the folder's listing. Where the short names NTFS
// stores come from (ntfs-3g's attribute) needs an NTFS volume; here no entry
// has one.
TEST_F(LinuxFileSystemTest, ShortNamesResolveOverTheFoldersListing) {
  LinuxFileSystem files(WinePrefixDrives(root_), "C:\\windows\\system32");
  EXPECT_EQ(ResolvePath(files, "C:\\PROGRA~1\\INKWELL\\inkwell.exe"), PathPresence::kExists);
  EXPECT_EQ(ResolvePath(files, "C:\\PROGRA~1\\Inkwell\\gone.exe"), PathPresence::kMissing);
  const FolderList root = files.ListFolder("c:\\");
  ASSERT_EQ(root.status, FolderListStatus::kListed);
  const auto program_files =
      std::find_if(root.names.begin(), root.names.end(),
                   [](const ListedName& n) { return n.name == "Program Files"; });
  ASSERT_NE(program_files, root.names.end());
  EXPECT_EQ(program_files->short_name, "");
  EXPECT_EQ(files.ListFolder("C:\\Gone").status, FolderListStatus::kMissing);
}

TEST_F(LinuxFileSystemTest, TheThirtyTwoBitSystemFolderIsTheAlternateOneWhereItExists) {
  LinuxFileSystem with(WinePrefixDrives(root_), "C:\\windows\\system32");
  EXPECT_EQ(with.AlternateSystemDirectory(), "C:\\windows\\syswow64");
  EXPECT_EQ(with.SystemDirectory(), "C:\\windows\\system32");
  fs::remove_all(root_ / "drive_c/windows/syswow64");
  LinuxFileSystem without(WinePrefixDrives(root_), "C:\\windows\\system32");
  EXPECT_EQ(without.AlternateSystemDirectory(), "");
}

}  // namespace
}  // namespace qm::posix
