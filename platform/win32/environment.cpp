#include "platform/win32/environment.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide.h"

namespace qm::win32 {

std::optional<std::string> Win32Environment::Variable(std::string_view name) const {
  // The process environment holds values already expanded. A name with "="
  // would be read as a name and a value.
  if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
  const std::wstring wide = Widen(name);
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n =
        GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
    // Set and empty, or not to be read (not there, or failed).
    if (n == 0)
      return GetLastError() == ERROR_SUCCESS ? std::optional<std::string>("") : std::nullopt;
    if (n < value.size()) {
      value.resize(n);
      return Narrow(value);
    }
    value.resize(n);  // n counts the terminating NUL when the buffer was too small
  }
}

}  // namespace qm::win32
