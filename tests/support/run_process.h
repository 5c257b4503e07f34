// Starting a system program from a test under Wine and waiting for it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::testing {

// Runs `command_line` without a window and waits up to two minutes; its
// exit code, or ~0 when it could not be started (the test then fails).
inline DWORD RunAndWait(std::wstring command_line) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start " << win32::Narrow(command_line) << ": " << GetLastError();
    return ~0u;
  }
  win32::UniqueKernelHandle process(pi.hProcess);
  win32::UniqueKernelHandle thread(pi.hThread);
  EXPECT_EQ(WaitForSingleObject(process.Get(), 120000), WAIT_OBJECT_0);
  DWORD code = ~0u;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

}  // namespace qm::testing
