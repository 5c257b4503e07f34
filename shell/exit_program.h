// The exit routine: unloads every loaded window in a fixed order and ends
// the process. Through the real services it does not return.
#pragma once

namespace qm::shell {

void ExitProgram();

}  // namespace qm::shell
