#include "shell/navigation_form.h"

#include <utility>

#include "shell/app_urls.h"
#include "shell/exit_program.h"
#include "shell/services.h"
#include "shell_config.h"

namespace qm::shell {

NavigationForm::NavigationForm(FormKind kind, const wchar_t* class_name, const wchar_t* skin_file,
                               ChromeButton own, std::string heading)
    : ChromeForm(kind, class_name, ChromeLayout{skin_file, 10215, true, own}),
      heading_(std::move(heading)) {}

bool NavigationForm::OnLoad() {
  if (!SetUpChrome()) return false;
  AddLabel({.name = "LabelTip",
            .twips = {720, 1680, 0, 180},
            .text = heading_,
            .color = RGB(255, 255, 255),
            .autosize = true});
  Label& home = AddLabel({.name = "LabelHomePage",
                          .twips = {480, 8040, 0, 180},
                          .text = AppUrls().home_page,
                          .color = RGB(128, 128, 128),
                          .autosize = true,
                          .hand_cursor = true});
  home.Click = [this] { LabelHomePage_Click(); };
  AddLabel({.name = "LabelVersion",
            .twips = {10440, 8040, 360, 180},
            .text = QM_VERSION_LABEL,
            .color = RGB(128, 128, 128)});
  return LoadContents();
}

void NavigationForm::LabelHomePage_Click() {
  ShellOpen(Handle(), AppUrls().home_page);
}

void NavigationForm::ExitAction() {
  ExitProgram();
}

void NavigationForm::OnCloseRequest() {
  // While the scan window is up, this window is disabled as its owner, and
  // a close request can still reach it (the task bar, another program).
  // Ending then would cut off a scan or a repair half-way: the scan window
  // alone decides when it closes.
  if (!IsWindowEnabled(Handle())) return;
  // Alt+F4 or closing from the task bar ends the program the one defined
  // way, so the windows go in the same order as from the exit button.
  ExitProgram();
}

void NavigationForm::NavigateAction(FormKind target) {
  Navigate(*this, target);
}

void Navigate(Form& current, FormKind target) {
  Form* next = LoadedForm(target);
  if (next == nullptr) next = LoadForm(MakeNavigationForm(target));
  if (next == nullptr) return;  // reported; the program takes the failure
  next->SetTop(current.Top());
  next->SetLeft(current.Left());
  next->Show();
  current.Unload();
}

}  // namespace qm::shell
