// Owner of a WinINet handle (root, connection or request): InternetCloseHandle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "platform/win32/handles.h"

namespace qm::win32 {

struct InternetHandleTraits {
  static HINTERNET Invalid() { return nullptr; }
  static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = UniqueHandle<HINTERNET, InternetHandleTraits>;

}  // namespace qm::win32
