#include "platform/linux/offline_windows.h"

#include <algorithm>
#include <cstdio>

#include "platform/linux/hive_file.h"
#include "platform/text.h"

namespace qm::posix {

namespace {

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

OfflineWindows::~OfflineWindows() = default;

RegistryEditor& OfflineWindows::Editor() {
  if (recorder_) return *recorder_;
  // In the merged classes a value that the current user's classes hold is
  // theirs, and so is a value written to a class key they hold; any other
  // is the machine's.
  const auto place_of = [this](RegKey root, const std::string& path,
                               const std::string_view* deleted) {
    bool in_user = false;
    if (root == kHkeyClassesRoot && !current_sid_.empty()) {
      ScopedKey<MemoryRegistry> user(*tree_);
      RegValue v;
      in_user =
          tree_->OpenKey(kHkeyUsers, current_sid_ + "_Classes\\" + path, user.Put()) == kRegOk &&
          (deleted == nullptr || tree_->QueryValue(user.Get(), *deleted, v) == kRegOk);
    }
    return PlaceOf(root, path, in_user);
  };
  // The tree holds HKEY_CURRENT_CONFIG where the running system keeps it.
  const auto tree_of = [](RegKey root, const std::string& path) {
    if (root != kHkeyCurrentConfig) return std::pair<RegKey, std::string>(root, path);
    return std::pair<RegKey, std::string>(kHkeyLocalMachine,
                                          "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current" +
                                              (path.empty() ? "" : "\\" + path));
  };
  recorder_ = std::make_unique<ChangeRecorder>(*tree_, place_of, tree_of);
  return *recorder_;
}

const RegistryChanges& OfflineWindows::Changes() const {
  static const RegistryChanges kNone;
  return recorder_ ? recorder_->Changes() : kNone;
}

std::vector<std::pair<std::string, std::string>> OfflineWindows::WriteChanges() {
  std::vector<std::pair<std::string, std::string>> failed;
  for (const auto& [file, changes] : Changes()) {
    const Status w = WriteHive(file, changes);
    if (!w.ok()) failed.emplace_back(file, w.detail());
  }
  return failed;
}

void OfflineWindows::AddMount(RegKey root, std::string prefix, std::string file,
                              std::string inner) {
  Mount m{root, std::move(prefix), std::move(file), std::move(inner)};
  // The longest prefix is found first.
  auto at = mounts_.begin();
  while (at != mounts_.end() && at->prefix.size() >= m.prefix.size()) ++at;
  mounts_.insert(at, std::move(m));
}

std::optional<OfflineWindows::Place> OfflineWindows::PlaceOf(RegKey root, std::string_view path,
                                                             bool in_user_classes) const {
  root = CanonicalRoot(root);
  if (root == kHkeyClassesRoot) {
    if (in_user_classes && !user_classes_.empty()) return Place{user_classes_, std::string(path)};
    return Place{software_, path.empty() ? "Classes" : "Classes\\" + std::string(path)};
  }
  const std::string upper = text::UpperCase(path);
  for (const Mount& m : mounts_) {
    if (m.root != root) continue;
    const std::string prefix = text::UpperCase(m.prefix);
    if (!prefix.empty() && upper != prefix &&
        upper.compare(0, prefix.size() + 1, prefix + "\\") != 0) {
      continue;
    }
    std::string rest(path.substr(std::min(path.size(), prefix.size())));
    if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
    std::string inner = m.inner;
    if (!rest.empty()) inner += (inner.empty() ? "" : "\\") + rest;
    return Place{m.file, inner};
  }
  return std::nullopt;
}

std::vector<std::string> OfflineWindows::HivesOf(RegKey root, std::string_view path) const {
  std::vector<std::string> files;
  for (const bool user : {true, false}) {
    const auto place = PlaceOf(root, path, user);
    if (place && (files.empty() || files.front() != place->file)) files.push_back(place->file);
  }
  return files;
}

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

std::string OfflineWindows::CurrentHardwareProfile(const std::string& set) {
  const std::string current = "Hardware Profiles\\Current";
  ScopedKey<MemoryRegistry> key(*tree_);
  if (tree_->OpenKey(kHkeyLocalMachine, set + "\\" + current, key.Put()) == kRegOk) return current;
  RegValue value;
  std::optional<std::uint32_t> number;
  if (tree_->OpenKey(kHkeyLocalMachine, set + "\\Control\\IDConfigDB", key.Put()) != kRegOk ||
      tree_->QueryValue(key.Get(), "CurrentConfig", value) != kRegOk ||
      !(number = DwordOf(value))) {
    return current;  // no profile named: HKEY_CURRENT_CONFIG stays empty
  }
  char name[32];
  std::snprintf(name, sizeof name, "Hardware Profiles\\%04u", *number);
  tree_->SetLink(kHkeyLocalMachine, set + "\\" + current, kHkeyLocalMachine, set + "\\" + name);
  return name;
}

Status OfflineWindows::Load(LinuxFileSystem& files, std::string_view user) {
  if (LoadHives(files, user)) return {};
  return Failure{kErrInvalidData, error_};
}

bool OfflineWindows::LoadHives(LinuxFileSystem& files, std::string_view user) {
  const auto hive = [&files](std::string_view name) {
    return files.LinuxPath(std::string(kConfigFolder) + "\\" + std::string(name));
  };
  const auto load = [this](const std::string& file, RegKey root, std::string_view under,
                           std::string_view subtree = {}) {
    const Result<std::size_t> r = LoadHive(file, *tree_, root, under, subtree);
    if (!r.ok()) error_ = r.detail();
    // What such a hive's log files hold is not seen; the scan says so.
    const Result<bool> clean = ReadHiveHeader(file);
    if (r.ok() && clean.ok() && !clean.value() &&
        std::find(dirty_.begin(), dirty_.end(), file) == dirty_.end()) {
      dirty_.push_back(file);
    }
    return r.ok();
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
  std::optional<std::uint32_t> set;
  if (tree_->OpenKey(kHkeyLocalMachine, "SYSTEM\\Select", select.Put()) != kRegOk ||
      tree_->QueryValue(select.Get(), "Current", current) != kRegOk || !(set = DwordOf(current))) {
    return Fail(hive("SYSTEM") + " has no Select\\Current naming the current control set");
  }
  char set_name[32];
  std::snprintf(set_name, sizeof set_name, "SYSTEM\\ControlSet%03u", *set);
  tree_->SetLink(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet", kHkeyLocalMachine, set_name);
  software_ = hive("SOFTWARE");
  const std::string set_key = std::string(set_name).substr(7);  // past "SYSTEM\"
  AddMount(kHkeyLocalMachine, "SOFTWARE", software_, "");
  AddMount(kHkeyLocalMachine, "SYSTEM", hive("SYSTEM"), "");
  AddMount(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet", hive("SYSTEM"), set_key);
  AddMount(kHkeyCurrentConfig, "", hive("SYSTEM"),
           set_key + "\\" + CurrentHardwareProfile(set_name));
  AddMount(kHkeyUsers, ".DEFAULT", hive("DEFAULT"), "");

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
    AddMount(kHkeyUsers, p.sid, p.ntuser, "");
    if (!p.usrclass.empty()) {
      AddMount(kHkeyUsers, p.sid + "_Classes", p.usrclass, "");
      AddMount(kHkeyUsers, p.sid + "\\Software\\Classes", p.usrclass, "");
    }
    if (&p == chosen) {
      AddMount(kHkeyCurrentUser, "", p.ntuser, "");
      if (!p.usrclass.empty()) {
        AddMount(kHkeyCurrentUser, "Software\\Classes", p.usrclass, "");
        user_classes_ = p.usrclass;
      }
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
