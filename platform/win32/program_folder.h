// Where the running program lies; its profile and data files live beside it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm::win32 {

// The folder of a module's full path: everything before the last "\" or
// "/". A drive root keeps its separator ("C:\"), since "C:" alone names the
// drive's current folder. Nothing when the path has no folder part.
[[nodiscard]] std::optional<std::string> FolderOfModulePath(std::string_view module_path);

// The folder of the running program's executable, as GetModuleFileNameW
// reports it (paths longer than MAX_PATH included); nothing when the system
// gives no answer.
[[nodiscard]] std::optional<std::string> ProgramFolder();

}  // namespace qm::win32
