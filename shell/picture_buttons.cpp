#include "shell/picture_buttons.h"

namespace qm::shell {

namespace {
constexpr std::array<ChromeButton, 4> kNavigation = {ChromeButton::Scanner, ChromeButton::Restore,
                                                     ChromeButton::Settings, ChromeButton::Records};
}

PictureButtonStates PictureButtonStates::Navigation(ChromeButton own) {
  PictureButtonStates s;
  s.present_.fill(true);
  s.own_ = IsNavigationButton(own) ? std::optional<ChromeButton>(own) : std::nullopt;
  s.Reset();
  return s;
}

PictureButtonStates PictureButtonStates::ExitOnly() {
  PictureButtonStates s;
  s.present_[Index(ChromeButton::Exit)] = true;
  s.Reset();
  return s;
}

void PictureButtonStates::Show(ChromeButton b, int picture) {
  if (Has(b)) visible_[Index(b)] = picture;
}

void PictureButtonStates::ResetNavigation() {
  for (ChromeButton n : kNavigation) Show(n, n == own_ ? kPicturePressed : kPictureNormal);
}

void PictureButtonStates::Reset() {
  Show(ChromeButton::Min, kPictureNormal);
  Show(ChromeButton::Exit, kPictureNormal);
  ResetNavigation();
}

void PictureButtonStates::MoveOver(ChromeButton b) {
  if (!Has(b)) return;
  if (!IsNavigationButton(b)) {
    Show(b, kPictureHover);
    return;
  }
  // A move over a navigation button clears the hover of the other
  // navigation buttons; the own button keeps (or gets back) its selection.
  for (ChromeButton n : kNavigation) {
    if (n == b) continue;
    Show(n, n == own_ ? kPicturePressed : kPictureNormal);
  }
  if (b != own_) Show(b, kPictureHover);
}

void PictureButtonStates::Press(ChromeButton b) {
  Show(b, kPicturePressed);
}

bool PictureButtonStates::ActionOnRelease(ChromeButton b) const {
  return Has(b) && b != own_ && Visible(b) == kPicturePressed;
}

void PictureButtonStates::MoveOverBackground() {
  Show(ChromeButton::Min, kPictureNormal);
  Show(ChromeButton::Exit, kPictureNormal);
  ResetNavigation();
}

}  // namespace qm::shell
