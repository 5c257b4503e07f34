// The system's implementations of the cores' interfaces, put together in
// this one place for everything that scans or repairs the real machine: the
// program's scan window and the command line. Each owner makes one and
// keeps it for as long as its scan or repair runs.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/environment.h"
#include "platform/win32/file_store.h"
#include "platform/win32/file_system.h"
#include "platform/win32/profile.h"
#include "platform/win32/registry.h"
#include "platform/win32/registry_editor.h"
#include "repair/repair_run.h"
#include "repair/win32/backup_clock.h"
#include "repair/win32/backup_disk.h"
#include "repair/win32/code_page.h"

namespace qm::app {

struct SystemServices {
  win32::Win32Registry registry;
  win32::Win32FileSystem fs;
  win32::Win32Environment environment;
  win32::Win32FileStore files;
  win32::Win32Profile profile;
  win32::Win32RegistryEditor editor;
  win32::SystemBackupClock clock;
  win32::Win32BackupDisk disk;
  win32::Win32CodePage code_page;
  // The folder of the running program, where the profile and the backups
  // live; "." when the system does not say.
  std::string program_folder;

  SystemServices();

  // ro.ini beside the program.
  [[nodiscard]] std::string ProfileFile() const;
  // ignore.txt beside it, the one the program edits.
  [[nodiscard]] std::string IgnoreFile() const;
  // Every ignore list the scan and the repair honour: the one beside the
  // profile, and the machine's ignore.txt in RegBackups of the system
  // drive (which a Linux quillmar-cli edits for an installation).
  [[nodiscard]] std::vector<std::string> IgnoreFiles() const;
  // Where and how the repair run writes its backups.
  [[nodiscard]] BackupPlace Backups();
  // A repair run over these services, with `profile` standing for ro.ini
  // (the command line may answer BackupBeforeFix itself).
  [[nodiscard]] RepairServices Repair(PrivateProfile& profile, RepairView& view,
                                      MessageService& messages);
  // The local date and time as LastScanTime stores them: the short date,
  // then a blank and the long time unless it is exactly midnight.
  [[nodiscard]] std::string NowText();
};

}  // namespace qm::app
