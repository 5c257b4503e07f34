// The chrome's picture buttons as a state table. A picture button is three
// stacked pictures; which one is visible (0 normal, 1 hover, 2 pressed or
// selected) is the button's whole state, so this class is the storage the
// window paints from, not a shadow of it.
//
// Navigation windows have minimise, exit and four navigation buttons, one
// of which is the window's own (shown selected). The scan window has only
// the exit button.
#pragma once

#include <array>
#include <optional>

namespace qm::shell {

enum class ChromeButton { Min, Exit, Scanner, Restore, Settings, Records };
inline constexpr int kChromeButtonCount = 6;

[[nodiscard]] constexpr bool IsNavigationButton(ChromeButton b) {
  return b == ChromeButton::Scanner || b == ChromeButton::Restore || b == ChromeButton::Settings ||
         b == ChromeButton::Records;
}

inline constexpr int kPictureNormal = 0;
inline constexpr int kPictureHover = 1;
inline constexpr int kPicturePressed = 2;

class PictureButtonStates {
 public:
  // A navigation window whose own navigation button is `own`.
  [[nodiscard]] static PictureButtonStates Navigation(ChromeButton own);
  // The scan window: the exit button alone.
  [[nodiscard]] static PictureButtonStates ExitOnly();

  // The first pictures at load: minimise and exit normal, the own button
  // selected, the other navigation buttons normal.
  void Reset();

  [[nodiscard]] bool Has(ChromeButton b) const { return present_[Index(b)]; }
  [[nodiscard]] int Visible(ChromeButton b) const { return visible_[Index(b)]; }
  [[nodiscard]] std::optional<ChromeButton> Own() const { return own_; }

  // Pointer moved over `b`, with or without a mouse button held.
  void MoveOver(ChromeButton b);
  // Any mouse button went down on `b`.
  void Press(ChromeButton b);
  // A mouse button came up on `b`: whether its action runs. Only a button
  // whose pressed picture is still visible acts, and the own button never.
  [[nodiscard]] bool ActionOnRelease(ChromeButton b) const;
  // Pointer moved over the bare window background.
  void MoveOverBackground();

 private:
  PictureButtonStates() = default;
  static constexpr int Index(ChromeButton b) { return static_cast<int>(b); }
  void Show(ChromeButton b, int picture);
  void ResetNavigation();

  std::array<bool, kChromeButtonCount> present_{};
  std::array<int, kChromeButtonCount> visible_{};
  std::optional<ChromeButton> own_;
};

}  // namespace qm::shell
