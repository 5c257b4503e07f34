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

struct Case {
  const char* root;
  const char* key;
  Category category;
};

// A real place per category, its 32-bit and per-user twins, and near
// misses that must land elsewhere.
const Case kCases[] = {
    {kCr, "CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32", Category::kCom},
    {kCr, "Wow6432Node\\CLSID\\{0F8604A5-4ECE-4DE1-BA7D-CF10F8AA4F48}\\LocalServer32",
     Category::kCom},
    {kLm, "SOFTWARE\\Classes\\TypeLib\\{00020430-0000-0000-C000-000000000046}\\2.0\\0\\win32",
     Category::kCom},
    {kLm, "SOFTWARE\\Wow6432Node\\Classes\\AppID\\{7B1E6B1F-1C4C-4E6D-A1A4-000000000000}",
     Category::kCom},
    {kU, "S-1-5-21-1-2-3-1001_Classes\\CLSID\\{1}\\DefaultIcon", Category::kCom},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", Category::kSharedDlls},
    {kLm, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     Category::kSharedDlls},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", Category::kStartup},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", Category::kStartup},
    {kU, "S-1-5-21-1-2-3-1001\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     Category::kStartup},
    {kLm, "SOFTWARE\\WOW6432NODE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", Category::kStartup},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
     Category::kStartup},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", Category::kStartup},
    {kLm, "SYSTEM\\ControlSet001\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\0000",
     Category::kDevices},
    {kLm, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port", Category::kDevices},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wordpad.exe",
     Category::kAppPaths},
    {kLm, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe",
     Category::kAppPaths},
    {kCr, "txtfile\\shell\\open\\command", Category::kFileTypes},
    {kCr, "Applications\\notepad++.exe\\shell\\edit\\command", Category::kFileTypes},
    {kCr, "Word.Document.8\\DefaultIcon", Category::kFileTypes},
    {kCu, "Software\\Classes\\.log\\OpenWithProgids", Category::kFileTypes},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt\\OpenWithList",
     Category::kFileTypes},
    {kCu, "AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current", Category::kSounds},
    {kU, ".DEFAULT\\AppEvents\\Schemes\\Apps\\.Default\\Notification.Default\\.Current",
     Category::kSounds},
    {kCu, "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", Category::kHistory},
    {kCu, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
     Category::kHistory},
    {kU,
     "S-1-5-21-1-2-3-1001_Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
     Category::kHistory},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", Category::kHistory},
    {kCu, "Software\\Microsoft\\Office\\14.0\\Word\\File MRU", Category::kHistory},
    {kCu,
     "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
     "Assistant\\Store",
     Category::kHistory},
    {kLm, "SYSTEM\\CurrentControlSet\\Services\\Spooler", Category::kServices},
    {kLm, "SYSTEM\\ControlSet002\\Services\\Tcpip\\Parameters", Category::kServices},
    {kCr, "*\\shellex\\ContextMenuHandlers\\7-Zip", Category::kExtensions},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", Category::kExtensions},
    {kLm,
     "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
     Category::kExtensions},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", Category::kFonts},
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
     Category::kShortcuts},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{90140000-0011-0000-0000}",
     Category::kUninstall},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", Category::kUninstall},
    {kCr, "Installer\\Products\\00002109110000000000000000F01FEC", Category::kUninstall},
    // Near misses.
    {kCu, "Software\\Microsoft\\Windows\\CurrentVersion\\Runner", Category::kOther},
    {kLm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", Category::kOther},
    {kLm, "SYSTEM\\Setup\\Services", Category::kOther},
    {kLm, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", Category::kOther},
    {kLm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", Category::kOther},
    {kCu, "Environment", Category::kOther},
    {kCr, "txtfile\\shell\\open", Category::kOther},
    {kU, "S-1-5-21-1-2-3-1001", Category::kOther},
    {"HKEY_CURRENT_CONFIG", "System\\CurrentControlSet\\Control\\Print\\Printers",
     Category::kDevices},
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
