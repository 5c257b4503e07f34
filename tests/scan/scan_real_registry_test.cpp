// The search and the rules over the registry and file system that Wine
// provides, as the scan window runs them.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "platform/win32/environment.h"
#include "platform/win32/file_system.h"
#include "platform/win32/handles.h"
#include "platform/win32/registry.h"
#include "scan/reg_search.h"
#include "scan/rules.h"
#include "tests/platform/win32_test_tree.h"

namespace qm {
namespace {

using testing::TestRegistryTree;

// What the scan window does with the events: judge each find, list rows.
class RuleListener : public SearchListener {
 public:
  explicit RuleListener(FileSystem& fs) : rule(fs, {}, &environment) {}
  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    const StoredData stored = search != nullptr ? search->FoundData() : StoredData{};
    if (auto row = rule.Judge(root, key, value, found, name, stored)) rows.Append(std::move(*row));
    return 0;
  }
  int SearchKeyChanged(std::string_view) override {
    ++keys;
    return 0;
  }
  void SearchFinished(std::int32_t reason) override { reasons.push_back(reason); }

  win32::Win32Environment environment;
  InvalidReferenceRule rule;
  const cRegSearch* search = nullptr;  // the walk reporting, for the found value's data
  ErrorList rows;
  int keys = 0;
  std::vector<std::int32_t> reasons;
};

class RealRegistryScan : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(L"C:\\qm-scan-test", nullptr);
    ASSERT_TRUE(win32::UniqueFile(CreateFileW(L"C:\\qm-scan-test\\present.exe", GENERIC_WRITE, 0,
                                              nullptr, CREATE_ALWAYS, 0, nullptr)));
    // The user's own folder, named as the system expands the variable.
    wchar_t user_dir[MAX_PATH];
    ASSERT_GT(ExpandEnvironmentStringsW(kUserDir, user_dir, MAX_PATH), 0u);
    user_dir_ = user_dir;
    ASSERT_EQ(user_dir_.find(L'%'), std::wstring::npos) << "USERNAME is set";
    CreateDirectoryW(user_dir, nullptr);
    ASSERT_TRUE(win32::UniqueFile(CreateFileW((user_dir_ + L"\\present.exe").c_str(), GENERIC_WRITE,
                                              0, nullptr, CREATE_ALWAYS, 0, nullptr)));
    tree.SetString("Run", L"present", L"\"C:\\qm-scan-test\\present.exe\" /tray");
    tree.SetString("Run", L"variable", std::wstring(kUserDir) + L"\\present.exe");
    // Its first string names a missing file, its second the present one.
    const std::wstring multi = std::wstring(L"C:\\qm-scan-test\\missing.dll") + L'\0' +
                               L"\"C:\\qm-scan-test\\present.exe\" /tray" + L'\0' + L'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(multi.data());
    tree.SetRaw("Run", L"multi", REG_MULTI_SZ,
                std::vector<BYTE>(bytes, bytes + multi.size() * sizeof(wchar_t)));
    tree.SetString("Run", L"missing", L"\"C:\\qm-scan-test\\missing.exe\" /tray");
    tree.SetString("Run", L"notes", L"C:\\qm-scan-test\\missing.txt");
    tree.SetString("Run\\Deeper", L"C:\\qm-scan-test\\gone.dll", L"C:\\qm-scan-test\\gone.dll");
    tree.SetString("Run\\Deeper", L"expand", L"C:\\qm-scan-test\\x.exe", REG_EXPAND_SZ);
  }
  void TearDown() override {
    DeleteFileW((user_dir_ + L"\\present.exe").c_str());
    RemoveDirectoryW(user_dir_.c_str());
    DeleteFileW(L"C:\\qm-scan-test\\present.exe");
    RemoveDirectoryW(L"C:\\qm-scan-test");
  }

  static constexpr const wchar_t* kUserDir = L"C:\\qm-scan-test\\%USERNAME%";
  std::wstring user_dir_;
  TestRegistryTree tree{"scan"};
  win32::Win32Registry reg;
  win32::Win32FileSystem fs;
  RuleListener listener{fs};
};

TEST_F(RealRegistryScan, ListsOnlyMissingProgramFiles) {
  cRegSearch search(reg, listener);
  listener.search = &search;
  search.RootKey(static_cast<std::int32_t>(kHkeyCurrentUser));
  search.SubKey(tree.Base());
  search.SearchFlags(3);
  search.SearchString(listener.rule.Drive());
  search.DoSearch();

  ASSERT_EQ(listener.reasons, (std::vector<std::int32_t>{0}));
  const auto& rows = listener.rows.Rows();
  ASSERT_EQ(rows.size(), 3u);
  // Wine lists values in name order, Windows in creation order: compare as sets.
  std::multiset<std::string> got;
  for (const auto& r : rows) got.insert(r.kind + "|" + r.root + "|" + r.key + "|" + r.value);
  const std::string base = tree.Base();
  EXPECT_EQ(got, (std::multiset<std::string>{
                     "VALUE VALUE|HKEY_CURRENT_USER|" + base +
                         "\\Run\\missing|\"C:\\qm-scan-test\\missing.exe\" /tray",
                     "VALUE NAME|HKEY_CURRENT_USER|" + base +
                         "\\Run\\Deeper\\C:\\qm-scan-test\\gone.dll|C:\\qm-scan-test\\gone.dll",
                     "VALUE VALUE|HKEY_CURRENT_USER|" + base +
                         "\\Run\\Deeper\\C:\\qm-scan-test\\gone.dll|C:\\qm-scan-test\\gone.dll",
                 }));
}

TEST_F(RealRegistryScan, AWholeRegistryWalkFindsTheTreeThroughBothUserRoots) {
  cRegSearch search(reg, listener);
  search.RootKey(0);
  search.SubKey("");
  search.SearchFlags(3);
  search.SearchString(listener.rule.Drive());
  search.DoSearch();
  ASSERT_EQ(listener.reasons, (std::vector<std::int32_t>{0}));
  EXPECT_GT(listener.keys, 1000) << "Wine's registry has thousands of keys";
  int missing_rows = 0;
  std::set<std::string> roots;
  for (const auto& r : listener.rows.Rows()) {
    if (r.value == "\"C:\\qm-scan-test\\missing.exe\" /tray") {
      ++missing_rows;
      roots.insert(r.root);
    }
  }
  EXPECT_EQ(missing_rows, 2) << "HKEY_CURRENT_USER is also seen below HKEY_USERS";
  EXPECT_EQ(roots, (std::set<std::string>{"HKEY_CURRENT_USER", "HKEY_USERS"}));
}

}  // namespace
}  // namespace qm
