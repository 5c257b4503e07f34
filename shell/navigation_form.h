// The four navigation windows' common part: the chrome with minimise and
// navigation buttons, the heading `LabelTip`, the home-page link and the
// version label; navigation to another window, and the exit routine on the
// exit button and on the system's close request.
//
// A navigation window derives from NavigationForm and puts its own
// controls in LoadContents(), which runs after the chrome set-up. The
// heading, home-page link and version label are the chrome's.
#pragma once

#include <memory>
#include <string>

#include "shell/chrome.h"
#include "shell/window_factory.h"

namespace qm::shell {

class NavigationForm : public ChromeForm {
 protected:
  // `skin_file` as "\bgother.dll"; `own` is the window's own navigation
  // button; `heading` the text of `LabelTip`.
  NavigationForm(FormKind kind, const wchar_t* class_name, const wchar_t* skin_file,
                 ChromeButton own, std::string heading);

  // The window's own load steps, after the chrome; false when loading failed.
  [[nodiscard]] virtual bool LoadContents() { return true; }

  void ExitAction() override;
  void NavigateAction(FormKind target) override;
  void OnCloseRequest() override;

 private:
  [[nodiscard]] bool OnLoad() final;
  void LabelHomePage_Click();

  std::string heading_;
};

// Replaces `current` by a newly loaded window of `target` at its screen
// position. When the target cannot be loaded the current window stays and
// the failure is left for the program (TakeLoadFailure).
void Navigate(Form& current, FormKind target);

}  // namespace qm::shell
