// Pointer, keyboard, focus and hover handling of the button.
#include "button/command.h"

namespace qm::button {
namespace {

constexpr std::int16_t kKeySpace = 32;
constexpr std::int16_t kKeyLeft = 37;
constexpr std::int16_t kKeyUp = 38;
constexpr std::int16_t kKeyRight = 39;
constexpr std::int16_t kKeyDown = 40;

// Calls a copy: a handler may replace itself (or its neighbours) while it runs.
template <typename Fn, typename... Args>
void Raise(const Fn& handler, Args&... args) {
  if (!handler) return;
  const Fn call = handler;
  call(args...);
}

}  // namespace

void Command::Press(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!p_.Enabled) return;
  st_.LastButton = static_cast<std::uint8_t>(button);
  if (button != kRightButton) st_.DrawState = kStateDown;
  PaintButton(st_.DrawState, true);
  Raise(events_.MouseDown, button, shift, x, y);
}

void Command::Release(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!p_.Enabled) return;
  if (button != kRightButton) st_.DrawState = kStateUp;
  PaintButton(st_.DrawState, true);
  Raise(events_.MouseUp, button, shift, x, y);
}

void Command::Click() {
  if (!p_.Enabled) return;
  if (st_.LastButton == kLeftButton) st_.DrawState = kStateUp;
  PaintButton(st_.DrawState, true);
  platform_.ShowImageNow();
  Raise(events_.Click);
}

void Command::DoubleClick() {
  if (!p_.Enabled) return;
  if (st_.LastButton == kLeftButton) Press(kLeftButton, kShiftMask, 1.0f, 1.0f);
}

void Command::Move(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!p_.Enabled) return;
  if (button != 0 && button != kLeftButton) return;
  platform_.SetTimer1(true);
  const double w = platform_.ClientWidth();
  const double h = platform_.ClientHeight();
  if (!(x >= 0 && x <= w && y >= 0 && y <= h)) return;
  const std::weak_ptr<const void> alive = alive_;
  Raise(events_.MouseMove, button, shift, x, y);
  if (alive.expired()) return;
  if (button == kLeftButton) {
    // Without force: a drag that stays over the button costs nothing, one
    // that comes back shows the pressed look again.
    PaintButton(kStateDown, false);
  } else if (!st_.IsHovered) {
    st_.IsHovered = true;
    PaintButton(kStateUp, true);
  }
}

void Command::Tick() {
  // Runs while disabled too: a timer started before still reports the exit.
  const std::optional<PointF> pos = platform_.CursorInClient();
  if (!pos) return;
  const bool outside = pos->x < 0 || pos->y < 0 || pos->x > platform_.ClientWidth() ||
                       pos->y > platform_.ClientHeight();
  if (!outside) return;
  platform_.SetTimer1(false);
  const std::weak_ptr<const void> alive = alive_;
  Raise(events_.MouseOut);
  if (alive.expired()) return;
  st_.IsHovered = false;
  PaintButton(kStateUp, true);
}

void Command::KeyDown(std::int16_t key_code, std::int16_t shift) {
  if (!p_.Enabled) return;
  const std::weak_ptr<const void> alive = alive_;
  Raise(events_.KeyDown, key_code, shift);
  if (alive.expired()) return;
  // Key codes are bytes; a handler that leaves something else has cancelled
  // any key the button would act on.
  st_.LastKeyCode = (key_code >= 0 && key_code <= 255) ? static_cast<std::uint8_t>(key_code) : 0;
  switch (key_code) {
    case kKeySpace:
      Press(kLeftButton, kShiftMask, 1.0f, 1.0f);
      break;
    case kKeyRight:
    case kKeyDown:
      if (p_.Enabled) platform_.MoveFocus(true);
      break;
    case kKeyLeft:
    case kKeyUp:
      if (p_.Enabled) platform_.MoveFocus(false);
      break;
    default:
      break;
  }
}

void Command::KeyPress(std::int16_t key_ascii) {
  if (!p_.Enabled) return;
  Raise(events_.KeyPress, key_ascii);
}

void Command::KeyUp(std::int16_t key_code, std::int16_t shift) {
  if (!p_.Enabled) return;
  const std::weak_ptr<const void> alive = alive_;
  Raise(events_.KeyUp, key_code, shift);
  if (alive.expired()) return;
  if (st_.LastKeyCode == kKeySpace && key_code == kKeySpace) {
    Release(kLeftButton, kShiftMask, 1.0f, 1.0f);
    if (alive.expired()) return;
    st_.LastButton = kLeftButton;
    Click();
  }
}

void Command::FocusGained() {
  st_.HasFocus = true;
  PaintButton(st_.DrawState, true);
}

void Command::FocusLost() {
  st_.HasFocus = false;
  PaintButton(st_.DrawState, true);
}

}  // namespace qm::button
