#include "platform/linux/offline_windows.h"

#include <cstdio>

#include "platform/linux/hive_file.h"
#include "platform/text.h"

namespace qm::posix {

namespace {

constexpr RegKey kHkeyCurrentConfig = 0x80000005u;
constexpr RegKey kHkeyDynData = 0x80000006u;
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The few variables ProfileImagePath uses, as the system expands them.
std::string Expand(std::string_view path) {
  struct Var {
    std::string_view name;
    std::string_view value;
  };
  static constexpr Var kVars[] = {
      {"%SYSTEMDRIVE%", "C:"}, {"%SYSTEMROOT%", "C:\\Windows"}, {"%WINDIR%", "C:\\Windows"}};
  std::string out(path);
  for (const Var& v : kVars) {
    for (std::size_t at = text::UpperCase(out).find(v.name); at != std::string::npos;
         at = text::UpperCase(out).find(v.name)) {
      out.replace(at, v.name.size(), v.value);
    }
  }
  return out;
}

std::string StringData(const RegValue& v) {
  return text::Utf16LeToUtf8(v.data.data(), v.data.size(), true);
}

bool IsUserSid(std::string_view sid) {
  return sid.substr(0, 9) == "S-1-5-21-";
}

}  // namespace

OfflineWindows::OfflineWindows() : tree_(std::make_unique<MemoryRegistry>()), view_(*tree_) {
  view_.Map(kHkeyCurrentConfig, kHkeyLocalMachine,
            "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current");
  view_.Absent(kHkeyPerformanceData);
  view_.Absent(kHkeyDynData);
}

bool OfflineWindows::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool OfflineWindows::FindProfiles(LinuxFileSystem& files) {
  ScopedKey<MemoryRegistry> list(*tree_);
  if (tree_->OpenKey(kHkeyLocalMachine, kProfileList, list.Put()) != kRegOk) return true;
  std::string sid;
  for (std::uint32_t i = 0; tree_->EnumKey(list.Get(), i, sid) == kRegOk; ++i) {
    ScopedKey<MemoryRegistry> entry(*tree_);
    RegValue image;
    if (tree_->OpenKey(list.Get(), sid, entry.Put()) != kRegOk ||
        tree_->QueryValue(entry.Get(), "ProfileImagePath", image) != kRegOk) {
      continue;
    }
    const std::string folder = Expand(StringData(image));
    OfflineProfile p;
    p.sid = sid;
    p.name = folder.substr(folder.rfind('\\') + 1);
    p.ntuser = files.LinuxPath(folder + "\\NTUSER.DAT");
    // Service and system profiles without a hive of their own are not
    // loaded on a running system either.
    if (p.ntuser.empty()) continue;
    p.usrclass = files.LinuxPath(folder + "\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat");
    profiles_.push_back(std::move(p));
  }
  return true;
}

bool OfflineWindows::Load(LinuxFileSystem& files, std::string_view user) {
  const auto hive = [&files](std::string_view name) {
    return files.LinuxPath(std::string(kConfigFolder) + "\\" + std::string(name));
  };
  const auto load = [this](const std::string& file, RegKey root, std::string_view under,
                           std::string_view subtree = {}) {
    const HiveRead r = LoadHive(file, *tree_, root, under, subtree);
    if (!r.ok) error_ = r.error;
    return r.ok;
  };
  for (const char* name : {"SOFTWARE", "SYSTEM", "DEFAULT"}) {
    if (hive(name).empty()) {
      return Fail("the folder has no Windows\\System32\\config\\" + std::string(name) +
                  ": it is not the root of a Windows installation");
    }
  }
  if (!load(hive("SOFTWARE"), kHkeyLocalMachine, "SOFTWARE")) return false;
  if (!load(hive("SYSTEM"), kHkeyLocalMachine, "SYSTEM")) return false;
  RegValue current;
  ScopedKey<MemoryRegistry> select(*tree_);
  if (tree_->OpenKey(kHkeyLocalMachine, "SYSTEM\\Select", select.Put()) != kRegOk ||
      tree_->QueryValue(select.Get(), "Current", current) != kRegOk || current.type != kRegDword ||
      current.data.size() != 4) {
    return Fail(hive("SYSTEM") + " has no Select\\Current naming the current control set");
  }
  const std::uint32_t set = current.data[0] | current.data[1] << 8 | current.data[2] << 16 |
                            static_cast<std::uint32_t>(current.data[3]) << 24;
  char set_name[32];
  std::snprintf(set_name, sizeof set_name, "SYSTEM\\ControlSet%03u", set);
  tree_->SetLink(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet", kHkeyLocalMachine, set_name);

  if (!FindProfiles(files)) return false;
  std::string names;
  std::size_t users = 0;
  const OfflineProfile* chosen = nullptr;
  for (const OfflineProfile& p : profiles_) {
    if (!user.empty() && text::EqualsNoCase(p.name, user)) chosen = &p;
    if (!IsUserSid(p.sid)) continue;
    names += (users++ == 0 ? "" : ", ") + p.name;
    if (user.empty()) chosen = &p;
  }
  if (!user.empty() && chosen == nullptr) {
    return Fail("no profile is named " + std::string(user) + " (profiles: " + names + ")");
  }
  if (user.empty() && users > 1) {
    return Fail("several profiles (" + names + "): choose one with --user NAME");
  }
  if (chosen != nullptr) current_sid_ = chosen->sid;

  if (!load(hive("DEFAULT"), kHkeyUsers, ".DEFAULT")) return false;
  for (const OfflineProfile& p : profiles_) {
    if (&p == chosen) {
      if (!load(p.ntuser, kHkeyCurrentUser, {})) return false;
      tree_->MountCurrentUserUnderUsers(p.sid);
    } else if (!load(p.ntuser, kHkeyUsers, p.sid)) {
      return false;
    }
    if (p.usrclass.empty()) continue;
    if (!load(p.usrclass, kHkeyUsers, p.sid + "_Classes")) return false;
    // The user's hive shows its classes hive at Software\Classes.
    tree_->SetLink(&p == chosen ? kHkeyCurrentUser : kHkeyUsers,
                   &p == chosen ? std::string("Software\\Classes") : p.sid + "\\Software\\Classes",
                   kHkeyUsers, p.sid + "_Classes");
  }
  // HKEY_CLASSES_ROOT: the machine's classes, and the current user's over
  // them, where a user's registration wins.
  ScopedKey<MemoryRegistry> classes(*tree_);
  if (tree_->OpenKey(kHkeyLocalMachine, "SOFTWARE\\Classes", classes.Put()) == kRegOk &&
      !load(hive("SOFTWARE"), kHkeyClassesRoot, {}, "Classes")) {
    return false;
  }
  if (chosen != nullptr && !chosen->usrclass.empty() &&
      !load(chosen->usrclass, kHkeyClassesRoot, {})) {
    return false;
  }
  if (chosen == nullptr) view_.Absent(kHkeyCurrentUser);
  return true;
}

}  // namespace qm::posix
