#include "shell/form_scanner.h"
#include "shell/navigation_form.h"

namespace qm::shell {

std::unique_ptr<Form> MakeNavigationForm(FormKind kind) {
  switch (kind) {
    case FormKind::Scanner:
      return std::make_unique<FormScanner>();
    case FormKind::RestoreAndBackup:
      return MakeFormRestoreAndBackup();
    case FormKind::Settings:
      return MakeFormSettings();
    case FormKind::Records:
      return MakeFormRecords();
    case FormKind::Repair:
      break;
  }
  return nullptr;
}

}  // namespace qm::shell
