#include "app/program_windows.h"

#include "app/form_records.h"
#include "app/form_repair.h"
#include "app/form_restore_and_backup.h"
#include "app/form_scanner.h"
#include "app/form_settings.h"

namespace qm::app {

std::unique_ptr<shell::Form> ProgramWindows::MakeForm(shell::FormKind kind) {
  switch (kind) {
    case shell::FormKind::Scanner:
      return std::make_unique<FormScanner>();
    case shell::FormKind::RestoreAndBackup:
      return std::make_unique<FormRestoreAndBackup>();
    case shell::FormKind::Settings:
      return std::make_unique<FormSettings>();
    case shell::FormKind::Records:
      return std::make_unique<FormRecords>();
    case shell::FormKind::Repair:
      break;
  }
  return nullptr;
}

void ProgramWindows::ShowScanWindow(HWND owner, std::uint32_t boxes) {
  auto form = std::make_unique<FormRepair>();
  form->SetCategories(CategoriesOfBoxes(boxes));
  shell::Form* scan = shell::LoadForm(std::move(form), owner);
  if (scan == nullptr) return;
  scan->CentreOver(owner);
  scan->ShowModal();
}

ProgramWindows& TheProgramWindows() {
  static ProgramWindows windows;
  return windows;
}

}  // namespace qm::app
