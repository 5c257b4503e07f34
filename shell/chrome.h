// The chrome every window shares: the skin, the caption strip that drags
// the window, the caption text and the picture buttons (minimise, exit and
// the four navigation buttons on navigation windows; exit alone on the scan
// window). The picture buttons follow PictureButtonStates.
//
// A window built on ChromeForm calls SetUpChrome() first in its load steps
// and, if it overrides OnBackgroundMove, calls ChromeForm::OnBackgroundMove
// from it. The scan window uses ChromeForm::ScanWindowLayout() and decides
// in ExitAction what its exit button does.
#pragma once

#include <string>

#include "shell/form.h"
#include "shell/picture_buttons.h"

namespace qm::shell {

struct ChromeLayout {
  const wchar_t* skin_file = L"\\bgother.dll";
  int caption_width_twips = 10215;
  bool navigation = true;  // minimise and navigation buttons too
  ChromeButton own = ChromeButton::Scanner;
};

class ChromeForm : public Form {
 public:
  [[nodiscard]] static ChromeLayout ScanWindowLayout() {
    return {L"\\bgscan.dll", 10500, false, ChromeButton::Exit};
  }
  [[nodiscard]] const PictureButtonStates& Buttons() const { return buttons_; }

 protected:
  ChromeForm(FormKind kind, const wchar_t* class_name, const ChromeLayout& layout);

  // Chrome set-up: skin, caption strip and text, picture buttons with their
  // first pictures. False when the skin could not be loaded (reported).
  [[nodiscard]] bool SetUpChrome();
  void OnBackgroundMove() override;
  // The exit button was released while pressed.
  virtual void ExitAction() = 0;
  // A navigation button other than the own one was released while pressed.
  virtual void NavigateAction(FormKind /*target*/) {}

 private:
  void ImageCaption_MouseDown(int button);
  void ImageMin_MouseMove() { MoveOver(ChromeButton::Min); }
  void ImageMin_MouseDown() { Press(ChromeButton::Min); }
  void ImageMin_MouseUp();
  void ImageExit_MouseMove() { MoveOver(ChromeButton::Exit); }
  void ImageExit_MouseDown() { Press(ChromeButton::Exit); }
  void ImageExit_MouseUp();
  void ImageScanner_MouseMove() { MoveOver(ChromeButton::Scanner); }
  void ImageScanner_MouseDown() { Press(ChromeButton::Scanner); }
  void ImageScanner_MouseUp() { NavigationRelease(ChromeButton::Scanner, FormKind::Scanner); }
  void ImageRestore_MouseMove() { MoveOver(ChromeButton::Restore); }
  void ImageRestore_MouseDown() { Press(ChromeButton::Restore); }
  void ImageRestore_MouseUp() {
    NavigationRelease(ChromeButton::Restore, FormKind::RestoreAndBackup);
  }
  void ImageSettings_MouseMove() { MoveOver(ChromeButton::Settings); }
  void ImageSettings_MouseDown() { Press(ChromeButton::Settings); }
  void ImageSettings_MouseUp() { NavigationRelease(ChromeButton::Settings, FormKind::Settings); }
  void ImageRecords_MouseMove() { MoveOver(ChromeButton::Records); }
  void ImageRecords_MouseDown() { Press(ChromeButton::Records); }
  void ImageRecords_MouseUp() { NavigationRelease(ChromeButton::Records, FormKind::Records); }

  void MoveOver(ChromeButton b);
  void Press(ChromeButton b);
  void NavigationRelease(ChromeButton b, FormKind target);
  // Shows the pictures the state table holds.
  void SyncPictures();
  void AddPictureButton(ChromeButton b, std::string_view name, int first_resource, TwipsRect place);

  ChromeLayout layout_;
  PictureButtonStates buttons_;
  Image* images_[kChromeButtonCount] = {};
};

}  // namespace qm::shell
