#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/text.h"
#include "platform/win32/file_store.h"
#include "platform/win32/file_system.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "scan/rules.h"

namespace qm {
namespace {

void Touch(const std::wstring& path) {
  const win32::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file);
}

TEST(Win32FileSystem, AnswersWithTheErrorsTheRulesDistinguish) {
  win32::Win32FileSystem fs;
  CreateDirectoryW(L"C:\\qm-fs-test", nullptr);
  Touch(L"C:\\qm-fs-test\\present.exe");

  EXPECT_TRUE(fs.QueryPath("C:\\qm-fs-test\\present.exe").ok());
  EXPECT_TRUE(fs.QueryPath("c:\\QM-FS-TEST\\PRESENT.EXE").ok()) << "names ignore case";
  EXPECT_TRUE(fs.QueryPath("C:\\qm-fs-test").ok()) << "folders count";
  EXPECT_EQ(fs.QueryPath("C:\\qm-fs-test\\gone.exe").code(), kErrFileNotFound);
  EXPECT_EQ(fs.QueryPath("C:\\qm-no-folder\\gone.exe").code(), kErrPathNotFound);
  EXPECT_TRUE(PathExists(fs, "C:\\QM-FS-TEST\\PRESENT.EXE"));
  EXPECT_FALSE(PathExists(fs, "C:\\QM-FS-TEST\\GONE.EXE"));
  EXPECT_TRUE(PathExists(fs, "C:"));

  DeleteFileW(L"C:\\qm-fs-test\\present.exe");
  RemoveDirectoryW(L"C:\\qm-fs-test");

  // Wine's short names are hashed (PROG~FBU); Windows' own, which the
  // registry holds, are found through the folder's long names.
  CreateDirectoryW(L"C:\\Program Files\\qm-short-test", nullptr);
  Touch(L"C:\\Program Files\\qm-short-test\\tool.exe");
  EXPECT_TRUE(PathExists(fs, "C:\\PROGRA~1\\qm-short-test\\tool.exe"));
  EXPECT_FALSE(PathExists(fs, "C:\\PROGRA~1\\qm-short-test\\gone.exe"));
  DeleteFileW(L"C:\\Program Files\\qm-short-test\\tool.exe");
  RemoveDirectoryW(L"C:\\Program Files\\qm-short-test");
}

TEST(Win32FileSystem, SystemFoldersAndThe32BitView) {
  win32::Win32FileSystem fs;
  const std::string sys = fs.SystemDirectory();
  ASSERT_GE(sys.size(), 3u);
  EXPECT_EQ(SystemDrive(fs), text::UpperCase(sys.substr(0, 2)));
  const std::string wow = fs.AlternateSystemDirectory();
  ASSERT_FALSE(wow.empty()) << "a 64-bit program on a 64-bit system has SysWOW64";
  EXPECT_TRUE(fs.QueryPath(wow).ok());

  // A file only in the 32-bit folder counts as present under System32's name.
  const std::wstring only32 = win32::Widen(wow + "\\qm-only32.dll");
  Touch(only32);
  EXPECT_TRUE(PathExists(fs, sys + "\\QM-ONLY32.DLL"));
  EXPECT_FALSE(PathExists(fs, sys + "\\QM-NOWHERE.DLL"));
  // A 64-bit reader has no Sysnative: it is the system folder itself.
  EXPECT_TRUE(PathExists(fs, sys.substr(0, sys.rfind('\\')) + "\\SYSNATIVE\\kernel32.dll"));
  DeleteFileW(only32.c_str());
}

// A replacement is whole or not at all: the old file stays until the new
// text is complete, nothing is left beside it, and a failure changes nothing.
TEST(Win32FileStore, ReplacesWholeAndLeavesNothingBeside) {
  win32::Win32FileStore files;
  std::error_code ec;
  std::filesystem::remove_all(L"C:\\qm-store-test", ec);  // what an earlier run left
  CreateDirectoryW(L"C:\\qm-store-test", nullptr);
  const std::string path = "C:\\qm-store-test\\list.txt";
  EXPECT_EQ(files.ReadWhole(path).code(), kErrFileNotFound);
  const std::string big(300000, 'x');
  for (const std::string& text : {std::string("first\r\n"), big, std::string("中文\r\n")}) {
    ASSERT_EQ(files.ReplaceWhole(path, text).code(), 0u);
    const Result<std::string> back = files.ReadWhole(path);
    ASSERT_EQ(back.code(), 0u);
    EXPECT_EQ(back.value(), text);
  }
  // A folder of the list's name cannot be replaced by a file.
  CreateDirectoryW(L"C:\\qm-store-test\\taken", nullptr);
  EXPECT_NE(files.ReplaceWhole("C:\\qm-store-test\\taken", "x").code(), 0u);
  EXPECT_NE(files.ReplaceWhole("C:\\qm-no-folder\\list.txt", "x").code(), 0u);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(L"C:\\qm-store-test\\*", &found);
  int names = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (found.cFileName[0] != L'.') ++names;
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  EXPECT_EQ(names, 2) << "no temporary file stays, not even of a failed replacement";
  EXPECT_EQ(files.ReadWhole(path).value(), "中文\r\n");
  RemoveDirectoryW(L"C:\\qm-store-test\\taken");
  DeleteFileW(win32::Widen(path).c_str());
  RemoveDirectoryW(L"C:\\qm-store-test");
}

}  // namespace
}  // namespace qm
