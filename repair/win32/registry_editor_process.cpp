#include "repair/win32/registry_editor_process.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "repair/row_value.h"

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

constexpr wchar_t kEditorKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
constexpr wchar_t kLastKeyValue[] = L"LastKey";

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::string RegistryEditorLastKey(std::string_view stored, std::string_view root,
                                  std::string_view key_path, bool root_first) {
  const std::string_view computer = stored.substr(0, stored.find('\\'));
  const bool stored_root_first = !RootKeyName(RootKeyFromName(computer)).empty();
  std::string text;
  if (!root_first && !stored_root_first) {
    text = computer.empty() ? std::string_view("Computer") : computer;
    text += "\\";
  }
  text += root;
  if (!key_path.empty()) {
    text += "\\";
    text += key_path;
  }
  return text;
}

std::uint32_t SetRegistryEditorLastKey(std::string_view root, std::string_view key_path) {
  UniqueHKey key;
  LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, kEditorKey, 0, nullptr, 0,
                               KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(), nullptr);
  if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
  std::vector<wchar_t> stored(1024, L'\0');
  DWORD size = static_cast<DWORD>((stored.size() - 1) * sizeof(wchar_t));
  DWORD type = 0;
  rc = RegQueryValueExW(key.Get(), kLastKeyValue, nullptr, &type,
                        reinterpret_cast<BYTE*>(stored.data()), &size);
  // A text too long for the buffer still starts with the word kept.
  const std::string old = (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) && type == REG_SZ
                              ? Narrow(std::wstring_view(stored.data()))
                              : std::string();
  const std::wstring text = Widen(RegistryEditorLastKey(old, root, key_path, UnderWine()));
  rc = RegSetValueExW(key.Get(), kLastKeyValue, 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  return static_cast<std::uint32_t>(rc);
}

std::uint32_t StartRegistryEditor() {
  const std::wstring editor = RegistryEditorPath();
  std::wstring command_line = L"\"" + editor + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(editor.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return GetLastError();
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  return 0;
}

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
