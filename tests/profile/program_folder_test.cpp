#include "platform/win32/program_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/wide.h"
#include "profile/profile_store.h"

namespace qm {
namespace {

TEST(ProgramFolder, FolderOfAModulePath) {
  struct Case {
    std::string_view module;
    std::optional<std::string> folder;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Quillmar\\Quillmar.exe", "C:\\Program Files\\Quillmar"},
      {"C:\\Quillmar.exe", "C:\\"},
      {"\\\\server\\share\\Quillmar.exe", "\\\\server\\share"},
      {"\\\\?\\C:\\Tools\\Quillmar.exe", "\\\\?\\C:\\Tools"},
      {"C:/Tools/Quillmar.exe", "C:/Tools"},
      {"Quillmar.exe", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.module));
    EXPECT_EQ(win32::FolderOfModulePath(c.module), c.folder);
  }
  // A program at a drive's root keeps its profile there, with one separator.
  EXPECT_EQ(ProfilePath(*win32::FolderOfModulePath("C:\\Quillmar.exe")), "C:\\ro.ini");
}

TEST(ProgramFolder, IsWhereTheRunningProgramLies) {
  const auto folder = win32::ProgramFolder();
  ASSERT_TRUE(folder.has_value());
  ASSERT_FALSE(folder->empty());
  EXPECT_NE(folder->back(), '\\');
  const std::wstring exe = win32::Widen(*folder + "\\profile_win32_tests.exe");
  EXPECT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string profile = ProfilePath(*folder);
  EXPECT_EQ(profile, *folder + "\\ro.ini");
}

}  // namespace
}  // namespace qm
