#include "shell/exit_program.h"

#include "shell/form.h"
#include "shell/services.h"

namespace qm::shell {

void ExitProgram() {
  constexpr FormKind kOrder[] = {FormKind::Records, FormKind::Repair, FormKind::RestoreAndBackup,
                                 FormKind::Scanner, FormKind::Settings};
  for (FormKind kind : kOrder) {
    if (Form* f = LoadedForm(kind)) f->Unload();
  }
  EndProcess(0);
}

}  // namespace qm::shell
