// What part of the system a found value belongs to, by where it lives: the
// scan categories the main window offers, so that a category the user
// clears leaves its rows out, and each row says what it is.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

// Numbered as the main window's boxes Check1 to Check15 (Check6 is none).
enum class Category {
  kOther = 0,  // fits no category: listed whenever any box is ticked
  kCom = 1,
  kSharedDlls = 2,
  kStartup = 3,
  kDevices = 4,
  kAppPaths = 5,
  kFileTypes = 7,
  kSounds = 8,
  kHistory = 9,
  kEmptyKeys = 10,
  kServices = 11,
  kExtensions = 12,
  kFonts = 13,
  kShortcuts = 14,
  kUninstall = 15,
};

struct CategoryName {
  Category category;
  std::string_view caption;  // the box's caption, which --category takes
  std::string_view label;    // short, for the list's column and the reports
  std::string_view alias;    // the English name --category takes
};

// The fourteen visible categories in the boxes' order, then "其他".
[[nodiscard]] std::span<const CategoryName> CategoryNames();
[[nodiscard]] const CategoryName& NameOf(Category category);
// The category a caption, label or alias names (any letter case); nothing
// for "其他" and for an unknown name.
[[nodiscard]] std::optional<Category> CategoryNamed(std::string_view name);

// The category of a value of the key `key_path` under the root named
// `root` ("HKEY_LOCAL_MACHINE" and the like). The same place counts the
// same in the 32-bit view (Wow6432Node), under any control set, in
// HKEY_CLASSES_ROOT and the Software\Classes keys it merges, and under
// HKEY_USERS\<SID> (and <SID>_Classes) as under HKEY_CURRENT_USER.
[[nodiscard]] Category CategoryOf(std::string_view root, std::string_view key_path);

class ErrorList;

// How many rows of each category the list holds, as the records keep them:
// each category's CategoryCountKey and count, all fifteen in the boxes'
// order.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> CategoryCounts(
    const ErrorList& rows);

// The Records key of the profile that holds how many rows of the category
// the last scan listed: "ErrorCount." and the English name.
[[nodiscard]] std::string CategoryCountKey(Category category);

// The last scan's rows per category as the records show them, each count
// read with `read` from its CategoryCountKey: "开机自启动 3、其他 5", only
// the categories with rows, in the boxes' order; "无" when it listed none;
// "unknown" when no count is stored (a scan before they were kept).
[[nodiscard]] std::string CategoryCountsText(
    const std::function<std::string(const std::string& key)>& read);

// Which categories a scan lists: the main window's ticked boxes.
class CategorySet {
 public:
  // Every category, as at start-up.
  [[nodiscard]] static CategorySet All();
  void Set(Category category, bool on);
  [[nodiscard]] bool Has(Category category) const;
  // "其他" is listed while any category is.
  [[nodiscard]] bool Lists(Category category) const;
  [[nodiscard]] bool Empty() const { return bits_ == 0; }

 private:
  unsigned bits_ = 0;
};

// The categories of the main window's ticked boxes, bit N for CheckN. A
// choice that names no category (only the unseen Check6) lists them all,
// as the boxes did before they chose anything.
[[nodiscard]] CategorySet CategoriesOfBoxes(std::uint32_t boxes);

}  // namespace qm
