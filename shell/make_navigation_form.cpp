#include "shell/form_scanner.h"
#include "shell/nav_pages.h"

namespace qm::shell {

std::unique_ptr<Form> MakeNavigationForm(FormKind kind) {
  switch (kind) {
    case FormKind::Scanner:
      return std::make_unique<FormScanner>();
    case FormKind::RestoreAndBackup:
      return std::make_unique<FormRestoreAndBackup>();
    case FormKind::Settings:
      return std::make_unique<FormSettings>();
    case FormKind::Records:
      return std::make_unique<FormRecords>();
    case FormKind::Repair:
      break;
  }
  return nullptr;
}

}  // namespace qm::shell
