#include "platform/win32/program_folder.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace qm::win32 {

namespace {

// The longest path the system accepts, in characters.
constexpr DWORD kLongestPath = 32768;

}  // namespace

std::optional<std::string> FolderOfModulePath(std::string_view module_path) {
  const std::size_t cut = module_path.find_last_of("\\/");
  if (cut == std::string_view::npos) return std::nullopt;
  std::string folder(module_path.substr(0, cut));
  if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder += module_path[cut];
  return folder;
}

std::optional<std::string> ProgramFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::nullopt;
    // A full buffer means the path was cut (and may lack its NUL).
    if (length < size) return FolderOfModulePath(Narrow(std::wstring_view(buffer.data(), length)));
    if (size >= kLongestPath) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(size) * 2);
  }
}

}  // namespace qm::win32
