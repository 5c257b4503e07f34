// The registry of a Windows installation that is not running, from its
// hive files, seen through the roots as that system shows them when it
// runs: HKEY_LOCAL_MACHINE\SOFTWARE and \SYSTEM (CurrentControlSet being
// the control set that SYSTEM\Select\Current names), HKEY_USERS with
// .DEFAULT and each profile of ProfileList by its SID (its classes as
// SID_Classes), HKEY_CURRENT_USER as one of them, HKEY_CLASSES_ROOT as the
// machine's classes with that user's over them, HKEY_CURRENT_CONFIG as the
// current hardware profile.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/linux/change_recorder.h"
#include "platform/linux/hive_writer.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/mapped_roots.h"
#include "platform/memory_registry.h"
#include "platform/registry_writer.h"

namespace qm::posix {

struct OfflineProfile {
  std::string sid;
  std::string name;      // the profile folder's name ("Ann")
  std::string ntuser;    // Linux path of its NTUSER.DAT
  std::string usrclass;  // Linux path of its UsrClass.dat; empty when it has none
};

class OfflineWindows {
 public:
  OfflineWindows();
  ~OfflineWindows();
  // Reads the hives of the installation whose drive C: is `files`. `user`
  // names the profile shown as HKEY_CURRENT_USER (its folder's name, any
  // letter case); empty for the one profile there is. A failure says what
  // did not read.
  [[nodiscard]] Status Load(LinuxFileSystem& files, std::string_view user);

  [[nodiscard]] RegistryReader& Reader() { return view_; }
  [[nodiscard]] const std::vector<OfflineProfile>& Profiles() const { return profiles_; }
  // The hives loaded whose two sequence numbers differ: the changes their
  // log files (.LOG1, .LOG2) hold are not in what was read.
  [[nodiscard]] const std::vector<std::string>& DirtyHives() const { return dirty_; }
  // The SID shown as HKEY_CURRENT_USER; empty when there is no profile.
  [[nodiscard]] const std::string& CurrentSid() const { return current_sid_; }

  // The registry for a repair or a restore: it answers from the loaded
  // tree and keeps each deletion, write and new key as a change to the
  // hive file that holds the key, for WriteChanges.
  [[nodiscard]] RegistryEditor& Editor();
  // Writes each changed hive (WriteHive); (file, why) for each hive left
  // as it was.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> WriteChanges();
  // The hive files that may hold a key of `root`\`path` (two for a key of
  // HKEY_CLASSES_ROOT: the user's classes and the machine's).
  [[nodiscard]] std::vector<std::string> HivesOf(RegKey root, std::string_view path) const;
  // The changes made through Editor(), by hive file.
  [[nodiscard]] const RegistryChanges& Changes() const;

  using Place = RegistryPlace;
  // Where `root`\`path` is stored, for a key of HKEY_CLASSES_ROOT the
  // user's classes when `in_user_classes`, else the machine's.
  [[nodiscard]] std::optional<Place> PlaceOf(RegKey root, std::string_view path,
                                             bool in_user_classes) const;

 private:
  struct Mount {
    RegKey root;
    std::string prefix;  // below the root, "" for the root itself
    std::string file;
    std::string inner;  // the prefix's path inside the hive
  };
  void AddMount(RegKey root, std::string prefix, std::string file, std::string inner);
  [[nodiscard]] bool Fail(std::string message);
  bool LoadHives(LinuxFileSystem& files, std::string_view user);  // false with error_ set
  [[nodiscard]] bool FindProfiles(LinuxFileSystem& files);
  // HKEY_CURRENT_CONFIG's key below the control set `set`, such as
  // "SYSTEM\ControlSet001": Hardware Profiles\Current, which the running
  // system makes a link to the profile that Control\IDConfigDB's
  // CurrentConfig numbers (Hardware Profiles\0001); the link is made here
  // the same way when the hive does not hold Current itself.
  [[nodiscard]] std::string CurrentHardwareProfile(const std::string& set);

  std::unique_ptr<MemoryRegistry> tree_;
  MappedRoots view_;
  std::string error_;
  std::vector<OfflineProfile> profiles_;
  std::string current_sid_;
  std::string user_classes_;  // the current user's UsrClass.dat, if any
  std::string software_;
  std::vector<Mount> mounts_;
  std::vector<std::string> dirty_;
  std::unique_ptr<ChangeRecorder> recorder_;
};

// Where an installation keeps its machine's hives.
inline constexpr std::string_view kConfigFolder = "C:\\Windows\\System32\\config";

}  // namespace qm::posix
