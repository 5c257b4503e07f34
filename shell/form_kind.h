// The program's five windows.
#pragma once

namespace qm::shell {

enum class FormKind { Scanner, Repair, RestoreAndBackup, Settings, Records };

}  // namespace qm::shell
