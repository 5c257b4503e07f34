#include "repair/win32/registry_editor_process.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::win32 {
namespace {

std::wstring RegistryEditorPath() {
  std::vector<wchar_t> buf(MAX_PATH);
  UINT n = GetWindowsDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
  if (n >= buf.size()) {
    buf.resize(n + 1);
    n = GetWindowsDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
  }
  std::wstring folder(buf.data(), n < buf.size() ? n : 0);
  if (folder.empty()) folder = L"C:\\Windows";
  if (folder.back() != L'\\') folder += L'\\';
  return folder + L"regedit.exe";
}

}  // namespace

std::wstring RegistryEditorCommandLine(std::string_view file) {
  return L"\"" + RegistryEditorPath() + L"\" \"" + Widen(file) + L"\"";
}

std::uint32_t RunRegistryEditorAndWait(std::string_view file, const std::function<bool()>& pump) {
  const std::wstring editor = RegistryEditorPath();
  std::wstring command_line = RegistryEditorCommandLine(file);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(editor.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return GetLastError();
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  for (;;) {
    const HANDLE handle = process.Get();
    const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return 0;
    if (woke == WAIT_OBJECT_0 + 1) {
      if (!pump()) return 0;  // quitting: the editor goes on by itself
      continue;
    }
    // The wait itself failed; the editor was started and runs on its own.
    return 0;
  }
}

}  // namespace qm::win32
