// Command: the skinned push button. It owns the stored properties, the
// derived palette and the drawing state; draws through the platform's
// canvas; and turns pointer, keyboard and focus notifications into looks
// and host events. The platform window that feeds it lives in button/win32.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "button/button_types.h"
#include "button/command_host.h"
#include "button/property_store.h"
#include "button/status.h"

namespace qm::button {

class Command {
 public:
  // Creation: LastButton 1, the pressed caption rectangle at (2, 2) and the
  // system palette (ColorScheme is still 0, ForeColor still black).
  Command(CommandPlatform& platform, CommandHost& host);
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // A freshly placed instance: plain assignments, no side effects.
  void InitNew(const FontSpec& own_font);
  // Loading from and saving to the host's layout data.
  void Load(const PropertyStore& store);
  void Save(PropertyStore& store) const;

  CommandEvents& Events() { return events_; }

  // Properties.
  [[nodiscard]] Color BackColor() const { return p_.BackColor; }
  void SetBackColor(Color v);
  [[nodiscard]] Color ForeColor() const { return p_.ForeColor; }
  void SetForeColor(Color v);
  [[nodiscard]] std::int16_t Percent() const { return p_.Percent; }
  [[nodiscard]] Status SetPercent(int v);
  [[nodiscard]] Color MidColor() const { return p_.MidColor; }
  void SetMidColor(Color v) { SetRepaintingColor(p_.MidColor, v, "MidColor"); }
  [[nodiscard]] Color EndColor() const { return p_.EndColor; }
  void SetEndColor(Color v) { SetRepaintingColor(p_.EndColor, v, "EndColor"); }
  [[nodiscard]] Color MouseMoveMidColor() const { return p_.MouseMoveMidColor; }
  void SetMouseMoveMidColor(Color v) {
    SetRepaintingColor(p_.MouseMoveMidColor, v, "MouseMoveMidColor");
  }
  [[nodiscard]] Color MouseMoveEndColor() const { return p_.MouseMoveEndColor; }
  void SetMouseMoveEndColor(Color v) {
    SetRepaintingColor(p_.MouseMoveEndColor, v, "MouseMoveEndColor");
  }
  [[nodiscard]] Color MouseDownMidColor() const { return p_.MouseDownMidColor; }
  void SetMouseDownMidColor(Color v) {
    SetRepaintingColor(p_.MouseDownMidColor, v, "MouseDownMidColor");
  }
  [[nodiscard]] Color MouseDownEndColor() const { return p_.MouseDownEndColor; }
  void SetMouseDownEndColor(Color v) {
    SetRepaintingColor(p_.MouseDownEndColor, v, "MouseDownEndColor");
  }
  [[nodiscard]] Color OfficeXpFillColor() const { return p_.OfficeXpFillColor; }
  void SetOfficeXpFillColor(Color v) {
    SetRepaintingColor(p_.OfficeXpFillColor, v, "OfficeXpFillColor");
  }
  [[nodiscard]] Color OfficeXpFrameColor() const { return p_.OfficeXpFrameColor; }
  void SetOfficeXpFrameColor(Color v) {
    SetRepaintingColor(p_.OfficeXpFrameColor, v, "OfficeXpFrameColor");
  }
  [[nodiscard]] Color OfficeXpMousemoveFillColor() const { return p_.OfficeXpMousemoveFillColor; }
  void SetOfficeXpMousemoveFillColor(Color v) {
    SetRepaintingColor(p_.OfficeXpMousemoveFillColor, v, "OfficeXpMousemoveFillColor");
  }
  [[nodiscard]] Color OfficeXpMousemoveFrameColor() const { return p_.OfficeXpMousemoveFrameColor; }
  void SetOfficeXpMousemoveFrameColor(Color v) {
    SetRepaintingColor(p_.OfficeXpMousemoveFrameColor, v, "OfficeXpMousemoveFrameColor");
  }
  [[nodiscard]] bool Enabled() const { return p_.Enabled; }
  void SetEnabled(bool v);
  [[nodiscard]] const FontSpec& Font() const { return p_.Font; }
  void SetFont(const FontSpec& v);
  // The live window handle; the stored "hWnd" value is never returned.
  [[nodiscard]] std::uintptr_t hWnd() const { return platform_.WindowHandle(); }
  [[nodiscard]] Status SethWnd(std::int32_t v);
  [[nodiscard]] std::int32_t ButtonType() const { return p_.ButtonType; }
  void SetButtonType(std::int32_t v);
  [[nodiscard]] std::string Caption() const { return p_.Caption; }
  void SetCaption(std::string_view v);
  [[nodiscard]] std::int32_t ColorScheme() const { return p_.ColorScheme; }
  void SetColorScheme(std::int32_t v);
  [[nodiscard]] std::int32_t XpType() const { return p_.XpType; }
  void SetXpType(std::int32_t v);
  [[nodiscard]] Color rectcolor() const { return p_.rectcolor; }
  void Setrectcolor(Color v);
  [[nodiscard]] bool ShowFocusRect() const { return p_.ShowFocusRect; }
  void SetShowFocusRect(bool v);

  // Drawing.
  void PaintButton(std::uint8_t state, bool force);
  // The platform reports a new client size (also after the first placement).
  void Resize();
  // The host reports that one of its ambient values changed.
  void AmbientChanged() { PaintButton(st_.DrawState, true); }

  // Input notifications from the platform.
  void Press(std::int16_t button, std::int16_t shift, float x, float y);
  void Release(std::int16_t button, std::int16_t shift, float x, float y);
  void Click();
  void DoubleClick();
  void Move(std::int16_t button, std::int16_t shift, float x, float y);
  void Tick();
  void KeyDown(std::int16_t key_code, std::int16_t shift);
  void KeyPress(std::int16_t key_ascii);
  void KeyUp(std::int16_t key_code, std::int16_t shift);
  void AccessKey() { Click(); }
  void FocusGained();
  void FocusLost();
  void UpdateAccessKey();

  // Read-only views for the platform layer and tests.
  [[nodiscard]] const ButtonProperties& Properties() const { return p_; }
  [[nodiscard]] const Palette& Colors() const { return pal_; }
  [[nodiscard]] const ButtonState& State() const { return st_; }
  [[nodiscard]] const std::optional<char32_t>& AccessKeyChar() const { return access_key_; }
  [[nodiscard]] const WindowShape& Shape() const { return shape_; }
  // Expires when this object is destroyed; handlers that go on after raising
  // an event check it, since a host may destroy the button from any event.
  [[nodiscard]] std::weak_ptr<const void> LifeToken() const { return alive_; }

 private:
  void ApplyColorScheme();
  void SetRepaintingColor(Color& field, Color v, std::string_view name);
  void Repaint() { PaintButton(st_.DrawState, true); }
  void Notify(std::string_view name) { host_.PropertyChanged(name); }

  CommandPlatform& platform_;
  CommandHost& host_;
  CommandEvents events_;
  ButtonProperties p_;
  Palette pal_;
  ButtonState st_;
  WindowShape shape_;
  std::optional<char32_t> access_key_;
  std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};

}  // namespace qm::button
