#include "scan/categories.h"

#include <vector>

#include "platform/text.h"
#include "scan/error_list.h"
#include "scan/key_pattern.h"

namespace qm {

namespace {

constexpr CategoryName kNames[] = {
    {Category::kCom, "Activex控件,桌面应用程序集成、组件对象模型入口", "ActiveX控件", "com"},
    {Category::kSharedDlls, "共享程序", "共享程序", "shared"},
    {Category::kStartup, "系统开机自启动项目", "开机自启动", "startup"},
    {Category::kDevices, "系统软件设备文件", "软件设备文件", "devices"},
    {Category::kAppPaths, "应用程序路径", "应用程序路径", "app-paths"},
    {Category::kFileTypes, "文件关联", "文件关联", "file-types"},
    {Category::kSounds, "声音和应用程序事件", "声音和事件", "sounds"},
    {Category::kHistory, "缓存和历史记录文件", "缓存和历史", "history"},
    {Category::kEmptyKeys, "空的注册表键值", "空的键值", "empty-keys"},
    {Category::kServices, "系统服务项目", "系统服务", "services"},
    {Category::kExtensions, "文件扩展服务项目", "文件扩展服务", "extensions"},
    {Category::kFonts, "Windows字体文件", "字体文件", "fonts"},
    {Category::kShortcuts, "无效的快捷方式和目录", "快捷方式目录", "shortcuts"},
    {Category::kUninstall, "已过期应用程序", "已过期程序", "uninstall"},
    {Category::kOther, "其他", "其他", "other"},
};

// Where each kind of key lives, relative to one of these places.
enum class Space {
  kSoftware,  // HKLM\SOFTWARE, HKCU\Software, HKU\<SID>\Software (either view)
  kClasses,   // HKCR and the Software\Classes keys it merges (either view)
  kSystem,    // HKLM\SYSTEM\<control set>, HKCC\System\<control set>
  kUser,      // the top of HKCU and of HKU\<SID>
};

struct Place {
  Space space;
  std::string_view pattern;  // scan/key_pattern.h; keys below it count too
  Category category;
};

// Windows' documented layout. The first place that matches decides, so a
// narrower place stands before a wider one. The README has this table.
constexpr Place kPlaces[] = {
    // COM: every class, type library and application registration.
    {Space::kClasses, "CLSID", Category::kCom},
    {Space::kClasses, "TypeLib", Category::kCom},
    {Space::kClasses, "AppID", Category::kCom},
    {Space::kClasses, "Interface", Category::kCom},
    // Windows Installer's own records of what it installed.
    {Space::kClasses, "Installer", Category::kUninstall},
    {Space::kClasses, "Local Settings\\<Any>\\MuiCache", Category::kHistory},
    // Shell extensions hang off a type's shellex key.
    {Space::kClasses, "<Any>\\shellex", Category::kExtensions},
    {Space::kClasses, "<Any>\\shell\\<Name>\\command", Category::kFileTypes},
    {Space::kClasses, "<Any>\\shell\\<Name>\\ddeexec", Category::kFileTypes},
    {Space::kClasses, "<Any>\\DefaultIcon", Category::kFileTypes},
    {Space::kClasses, "<Any>\\OpenWithList", Category::kFileTypes},
    {Space::kClasses, "<Any>\\OpenWithProgids", Category::kFileTypes},

    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\SharedDLLs", Category::kSharedDlls},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Run", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\RunOnce", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\RunOnceEx", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\RunServices", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\RunServicesOnce", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
     Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\Windows", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Active Setup\\Installed Components", Category::kStartup},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\App Paths", Category::kAppPaths},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
     Category::kFileTypes},
    {Space::kSoftware, "Clients", Category::kFileTypes},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks",
     Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
     Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
     Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Shell Extensions",
     Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\Drivers32", Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Internet Explorer\\Extensions", Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Internet Explorer\\Toolbar", Category::kExtensions},
    {Space::kSoftware, "Microsoft\\Windows\\ShellNoRoam\\MUICache", Category::kHistory},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags", Category::kHistory},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
     Category::kHistory},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist",
     Category::kHistory},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32",
     Category::kHistory},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths",
     Category::kHistory},
    // Most recently used lists: RunMRU, OpenSaveMRU, an application's File MRU.
    {Space::kSoftware, "<Any>\\*MRU*", Category::kHistory},
    {Space::kSoftware, "<Any>\\Recent File List", Category::kHistory},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\Fonts", Category::kFonts},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\Type 1 Installer", Category::kFonts},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
     Category::kShortcuts},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
     Category::kShortcuts},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Uninstall", Category::kUninstall},
    {Space::kSoftware, "Microsoft\\Windows\\CurrentVersion\\Installer", Category::kUninstall},
    {Space::kSoftware, "Microsoft\\Installer", Category::kUninstall},
    {Space::kSoftware, "Microsoft\\Windows NT\\CurrentVersion\\Print", Category::kDevices},

    {Space::kSystem, "Services", Category::kServices},
    {Space::kSystem, "Control\\Class", Category::kDevices},
    {Space::kSystem, "Control\\Print", Category::kDevices},
    {Space::kSystem, "Enum", Category::kDevices},

    {Space::kUser, "AppEvents", Category::kSounds},
};

using Parts = std::vector<std::string_view>;

bool Is(std::string_view a, std::string_view b) {
  return text::EqualsNoCase(a, b);
}

// The key below one of the places, with the view's Wow6432Node dropped;
// nothing for a key in none of them.
struct Located {
  Space space;
  Parts rest;
};

std::optional<Located> InSoftware(Parts rest) {
  if (!rest.empty() && Is(rest.front(), "Wow6432Node")) rest.erase(rest.begin());
  if (!rest.empty() && Is(rest.front(), "Classes")) {
    rest.erase(rest.begin());
    if (!rest.empty() && Is(rest.front(), "Wow6432Node")) rest.erase(rest.begin());
    return Located{Space::kClasses, rest};
  }
  return Located{Space::kSoftware, rest};
}

// A user's key: HKCU, or HKU\<SID> without its SID.
std::optional<Located> InUser(const Parts& parts) {
  if (!parts.empty() && Is(parts.front(), "Software")) {
    return InSoftware(Parts(parts.begin() + 1, parts.end()));
  }
  return Located{Space::kUser, parts};
}

std::optional<Located> Locate(std::string_view root, std::string_view key_path) {
  const Parts parts = KeyComponents(key_path);
  const auto tail = [&](std::size_t from) {
    return Parts(parts.begin() + static_cast<std::ptrdiff_t>(std::min(from, parts.size())),
                 parts.end());
  };
  if (Is(root, "HKEY_CLASSES_ROOT")) {
    Parts rest = parts;
    if (!rest.empty() && Is(rest.front(), "Wow6432Node")) rest.erase(rest.begin());
    return Located{Space::kClasses, rest};
  }
  if (Is(root, "HKEY_CURRENT_USER")) return InUser(parts);
  if (Is(root, "HKEY_USERS")) {
    if (parts.empty()) return std::nullopt;
    const std::string_view user = parts.front();
    constexpr std::string_view kClasses = "_Classes";
    if (user.size() > kClasses.size() && Is(user.substr(user.size() - kClasses.size()), kClasses)) {
      Parts rest = tail(1);
      if (!rest.empty() && Is(rest.front(), "Wow6432Node")) rest.erase(rest.begin());
      return Located{Space::kClasses, rest};
    }
    return InUser(tail(1));
  }
  if (Is(root, "HKEY_LOCAL_MACHINE") || Is(root, "HKEY_CURRENT_CONFIG")) {
    if (parts.empty()) return std::nullopt;
    if (Is(parts.front(), "Software")) return InSoftware(tail(1));
    if (Is(parts.front(), "System") && parts.size() > 1 && IsControlSet(parts[1])) {
      return Located{Space::kSystem, tail(2)};
    }
  }
  return std::nullopt;
}

std::string Joined(const Parts& parts) {
  std::string path;
  for (const std::string_view part : parts) {
    if (!path.empty()) path += '\\';
    path += part;
  }
  return path;
}

constexpr unsigned Bit(Category category) {
  return 1u << static_cast<unsigned>(category);
}

}  // namespace

std::span<const CategoryName> CategoryNames() {
  return kNames;
}

const CategoryName& NameOf(Category category) {
  for (const CategoryName& name : kNames) {
    if (name.category == category) return name;
  }
  return kNames[std::size(kNames) - 1];
}

std::optional<Category> CategoryNamed(std::string_view name) {
  for (const CategoryName& n : kNames) {
    if (n.category == Category::kOther) continue;
    if (name == n.caption || name == n.label || Is(name, n.alias)) return n.category;
  }
  return std::nullopt;
}

std::string CategoryCountKey(Category category) {
  return "ErrorCount." + std::string(NameOf(category).alias);
}

Category CategoryOf(std::string_view root, std::string_view key_path) {
  const std::optional<Located> at = Locate(root, key_path);
  if (!at) return Category::kOther;
  const std::string rest = Joined(at->rest);
  for (const Place& place : kPlaces) {
    if (place.space == at->space && MatchesKeyPattern(place.pattern, rest, true)) {
      return place.category;
    }
  }
  return Category::kOther;
}

std::vector<std::pair<std::string, std::string>> CategoryCounts(const ErrorList& rows) {
  std::vector<std::pair<std::string, std::string>> counts;
  for (const CategoryName& name : kNames) {
    std::size_t count = 0;
    for (const RegErrorRow& row : rows.Rows()) count += row.category == name.category;
    counts.emplace_back(CategoryCountKey(name.category), std::to_string(count));
  }
  return counts;
}

std::string CategoryCountsText(const std::function<std::string(const std::string& key)>& read) {
  std::string text;
  bool stored = false;
  for (const CategoryName& name : kNames) {
    const std::string count = read(CategoryCountKey(name.category));
    stored = stored || !count.empty();
    if (count.empty() || count == "0") continue;
    if (!text.empty()) text += "、";
    text += std::string(name.label) + " " + count;
  }
  if (!stored) return "unknown";
  return text.empty() ? "无" : text;
}

CategorySet CategoriesOfBoxes(std::uint32_t boxes) {
  CategorySet chosen;
  for (const CategoryName& name : kNames) {
    if (name.category == Category::kOther) continue;
    chosen.Set(name.category, (boxes >> static_cast<unsigned>(name.category) & 1u) != 0);
  }
  return chosen.Empty() ? CategorySet::All() : chosen;
}

CategorySet CategorySet::All() {
  CategorySet all;
  for (const CategoryName& name : kNames) {
    if (name.category != Category::kOther) all.Set(name.category, true);
  }
  return all;
}

void CategorySet::Set(Category category, bool on) {
  if (on) {
    bits_ |= Bit(category);
  } else {
    bits_ &= ~Bit(category);
  }
}

bool CategorySet::Has(Category category) const {
  return (bits_ & Bit(category)) != 0;
}

bool CategorySet::Lists(Category category) const {
  if (category == Category::kOther) return (bits_ & ~Bit(Category::kOther)) != 0;
  return Has(category);
}

}  // namespace qm
