#include "app/system_services.h"

#include "platform/text.h"
#include "platform/win32/program_folder.h"
#include "profile/ignore_list.h"
#include "profile/profile_store.h"

namespace qm::app {

SystemServices::SystemServices() : program_folder(win32::ProgramFolder().value_or(".")) {}

std::string SystemServices::ProfileFile() const {
  return ProfilePath(program_folder);
}

std::string SystemServices::IgnoreFile() const {
  return IgnoreListPath(program_folder);
}

std::vector<std::string> SystemServices::IgnoreFiles() const {
  std::vector<std::string> files{IgnoreFile()};
  const std::optional<std::string> drive = environment.Variable("SystemDrive");
  if (!drive || drive->empty()) return files;
  const std::string machine = IgnoreListPath(BackupFolderPath(*drive));
  // Where the program itself lies in the drive's root, the two are one.
  if (!text::EqualsNoCase(machine, files.front())) files.push_back(machine);
  return files;
}

BackupPlace SystemServices::Backups() {
  return BackupPlace{program_folder, disk, code_page, clock};
}

RepairServices SystemServices::Repair(PrivateProfile& run_profile, RepairView& view,
                                      MessageService& messages) {
  return RepairServices{editor, run_profile, view, messages, Backups(), &files, IgnoreFiles()};
}

std::string SystemServices::NowText() {
  const LocalDateTimeText now = clock.Now();
  return now.midnight ? now.short_date : now.short_date + " " + now.long_time;
}

}  // namespace qm::app
