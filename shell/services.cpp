#include "shell/services.h"

#include <shellapi.h>

#include "platform/win32/wide.h"

namespace qm::shell {
namespace {

Services SystemServices() {
  Services s;
  s.message_box = [](HWND owner, std::string_view text, UINT style) {
    return MessageBoxW(owner, win32::Widen(text).c_str(), kAppTitle, style);
  };
  s.shell_open = [](HWND owner, std::string_view target) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", win32::Widen(target).c_str(),
                                                   nullptr, nullptr, SW_SHOWNORMAL));
  };
  s.end_process = [](UINT code) { ExitProcess(code); };
  return s;
}

}  // namespace

Services& AppServices() {
  static Services services = SystemServices();
  return services;
}

void ResetServices() {
  AppServices() = SystemServices();
}

int ShowMessage(HWND owner, std::string_view text, UINT style) {
  return AppServices().message_box(owner, text, style);
}

INT_PTR ShellOpen(HWND owner, std::string_view target) {
  return AppServices().shell_open(owner, target);
}

void EndProcess(UINT code) {
  AppServices().end_process(code);
}

}  // namespace qm::shell
