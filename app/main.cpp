// quillmar.exe: shows the main window centred on the screen; nothing else
// runs at start. The program ends through the exit routine.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/program_windows.h"
#include "shell/form.h"
#include "shell/services.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Bar classes hold the tooltips of the scan window's rows.
  INITCOMMONCONTROLSEX icc{sizeof(icc),
                           ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);

  qm::app::ProgramWindows& windows = qm::app::TheProgramWindows();
  qm::shell::InstallWindowFactory(&windows);
  qm::shell::Form* main_window =
      qm::shell::LoadForm(windows.MakeForm(qm::shell::FormKind::Scanner));
  if (main_window == nullptr) return 1;
  main_window->CentreOnScreen();
  main_window->Show();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    qm::shell::DispatchFormMessage(msg);
    // A window that failed to load has been reported; the program ends.
    if (qm::shell::TakeLoadFailure()) {
      qm::shell::EndProcess(1);
      return 1;
    }
    // Every way out goes through the exit routine; should the windows all
    // be gone some other way, do not linger without a window.
    if (qm::shell::LoadedFormCount() == 0) break;
  }
  return 0;
}
