// The registry of a Windows installation that is not running, from its
// hive files, seen through the roots as that system shows them when it
// runs: HKEY_LOCAL_MACHINE\SOFTWARE and \SYSTEM (CurrentControlSet being
// the control set that SYSTEM\Select\Current names), HKEY_USERS with
// .DEFAULT and each profile of ProfileList by its SID (its classes as
// SID_Classes), HKEY_CURRENT_USER as one of them, HKEY_CLASSES_ROOT as the
// machine's classes with that user's over them, HKEY_CURRENT_CONFIG as the
// current hardware profile.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/linux_file_system.h"
#include "platform/linux/mapped_roots.h"
#include "platform/memory_registry.h"

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
  // Reads the hives of the installation whose drive C: is `files`. `user`
  // names the profile shown as HKEY_CURRENT_USER (its folder's name, any
  // letter case); empty for the one profile there is. False with error().
  [[nodiscard]] bool Load(LinuxFileSystem& files, std::string_view user);

  [[nodiscard]] RegistryReader& Reader() { return view_; }
  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] const std::vector<OfflineProfile>& Profiles() const { return profiles_; }
  // The SID shown as HKEY_CURRENT_USER; empty when there is no profile.
  [[nodiscard]] const std::string& CurrentSid() const { return current_sid_; }

 private:
  [[nodiscard]] bool Fail(std::string message);
  [[nodiscard]] bool FindProfiles(LinuxFileSystem& files);

  std::unique_ptr<MemoryRegistry> tree_;
  MappedRoots view_;
  std::string error_;
  std::vector<OfflineProfile> profiles_;
  std::string current_sid_;
};

// Where an installation keeps its machine's hives.
inline constexpr std::string_view kConfigFolder = "C:\\Windows\\System32\\config";

}  // namespace qm::posix
