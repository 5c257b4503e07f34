#include "scan/categories.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qm {
namespace {

constexpr const char* kCr = "HKEY_CLASSES_ROOT";
constexpr const char* kCu = "HKEY_CURRENT_USER";
constexpr const char* kLm = "HKEY_LOCAL_MACHINE";
constexpr const char* kU = "HKEY_USERS";

using C = Category;

struct Case {
  const char* root;
  const char* key;
  Category category;
};

// A real place per category, its 32-bit and per-user twins, and near
// misses that must land elsewhere.
const Case kCases[] = {
    {kCr, "CLSID\\{G}\\InprocServer32", C::kCom},
    {kCr, "Wow6432Node\\CLSID\\{G}\\LocalServer32", C::kCom},
    {kLm, "SOFTWARE\\Classes\\TypeLib\\{G}\\2.0\\0\\win32", C::kCom},
    {kLm, "SOFTWARE\\Wow6432Node\\Classes\\AppID\\{G}", C::kCom},
    {kU, "S-1-5-21-1-2-3-1001_Classes\\CLSID\\{1}\\DefaultIcon", C::kCom},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", C::kSharedDlls},
    {kLm, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", C::kSharedDlls},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", C::kStartup},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", C::kStartup},
    {kU, "S-1-5-21-1-2-3-1001\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", C::kStartup},
    {kLm, "SOFTWARE\\WOW6432NODE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", C::kStartup},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", C::kStartup},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", C::kStartup},
    {kLm, "SYSTEM\\ControlSet001\\Control\\Class\\{G}\\0000", C::kDevices},
    {kLm, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port", C::kDevices},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wordpad.exe", C::kAppPaths},
    {kLm, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe",
     C::kAppPaths},
    {kCr, "txtfile\\shell\\open\\command", C::kFileTypes},
    {kCr, "Applications\\notepad++.exe\\shell\\edit\\command", C::kFileTypes},
    {kCr, "Word.Document.8\\DefaultIcon", C::kFileTypes},
    {kCu, "Software\\Classes\\.log\\OpenWithProgids", C::kFileTypes},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt\\OpenWithList",
     C::kFileTypes},
    {kCu, "AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current", C::kSounds},
    {kU, ".DEFAULT\\AppEvents\\Schemes\\Apps\\.Default\\Notification.Default\\.Current",
     C::kSounds},
    {kCu, "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", C::kHistory},
    {kCu, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
     C::kHistory},
    {kU,
     "S-1-5-21-1-2-3-1001_Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
     C::kHistory},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", C::kHistory},
    {kCu, "Software\\Microsoft\\Office\\14.0\\Word\\File MRU", C::kHistory},
    {kCu,
     "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
     "Assistant\\Store",
     C::kHistory},
    {kLm, "SYSTEM\\CurrentControlSet\\Services\\Spooler", C::kServices},
    {kLm, "SYSTEM\\ControlSet002\\Services\\Tcpip\\Parameters", C::kServices},
    {kCr, "*\\shellex\\ContextMenuHandlers\\7-Zip", C::kExtensions},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", C::kExtensions},
    {kLm,
     "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
     C::kExtensions},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", C::kFonts},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
     C::kShortcuts},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{G}", C::kUninstall},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", C::kUninstall},
    {kCr, "Installer\\Products\\P", C::kUninstall},
    // Near misses.
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Runner", C::kOther},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", C::kOther},
    {kLm, "SYSTEM\\Setup\\Services", C::kOther},
    {kLm, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", C::kOther},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", C::kOther},
    {kCu, "Environment", C::kOther},
    {kCr, "txtfile\\shell\\open", C::kOther},
    {kU, "S-1-5-21-1-2-3-1001", C::kOther},
    {"HKEY_CURRENT_CONFIG", "System\\CurrentControlSet\\Control\\Print\\Printers", C::kDevices},
};

class CategoryOfPlace : public ::testing::TestWithParam<Case> {};

TEST_P(CategoryOfPlace, IsTheCategoryOfWindowsLayout) {
  const Case& c = GetParam();
  EXPECT_EQ(CategoryOf(c.root, c.key), c.category) << c.root << "\\" << c.key;
}

INSTANTIATE_TEST_SUITE_P(Places, CategoryOfPlace, ::testing::ValuesIn(kCases));

TEST(CategorySet, OtherIsListedWhileAnyCategoryIs) {
  CategorySet set;
  EXPECT_FALSE(set.Lists(Category::kOther));
  set.Set(Category::kFonts, true);
  EXPECT_TRUE(set.Lists(Category::kOther));
  EXPECT_TRUE(set.Lists(Category::kFonts));
  EXPECT_FALSE(set.Lists(Category::kStartup));
  EXPECT_EQ(CategoryNamed("fonts"), Category::kFonts);
  EXPECT_EQ(CategoryNamed("Windows字体文件"), Category::kFonts);
  EXPECT_EQ(CategoryNamed("其他"), std::nullopt);
  EXPECT_EQ(CategoryNamed("font"), std::nullopt);

  const CategorySet boxes = CategoriesOfBoxes((1u << 13) | (1u << 7));
  EXPECT_TRUE(boxes.Has(Category::kFonts) && boxes.Has(Category::kFileTypes));
  EXPECT_FALSE(boxes.Has(Category::kDevices) || boxes.Has(Category::kExtensions));
  const CategorySet hidden_box_only = CategoriesOfBoxes(1u << 6);
  EXPECT_TRUE(hidden_box_only.Has(Category::kStartup)) << "no category named: all listed";
}

TEST(CategoryCountsText, ListsTheCategoriesWithRowsInTheBoxesOrder) {
  using C = Category;

  struct Case {
    std::map<std::string, std::string> stored;
    const char* text;
  };
  const Case cases[] = {
      {{{"ErrorCount.other", "5"}, {"ErrorCount.startup", "3"}, {"ErrorCount.com", "0"}},
       "开机自启动 3、其他 5"},
      {{{"ErrorCount.fonts", "0"}, {"ErrorCount.other", "0"}}, "无"},
      {{}, "unknown"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CategoryCountsText([&](const std::string& key) {
                const auto it = c.stored.find(key);
                return it == c.stored.end() ? std::string() : it->second;
              }),
              c.text);
  }
}

}  // namespace
}  // namespace qm
