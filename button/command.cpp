#include "button/command.h"

#include "button/caption_text.h"
#include "button/painting.h"

namespace qm::button {

void ApplyGelPreset(ButtonProperties& p) {
  p.Percent = 53;
  p.MidColor = Rgb(124, 171, 255);
  p.EndColor = Rgb(191, 211, 255);
  p.MouseMoveMidColor = Rgb(157, 203, 255);
  p.MouseMoveEndColor = Rgb(209, 231, 255);
  p.MouseDownMidColor = Rgb(100, 153, 255);
  p.MouseDownEndColor = Rgb(191, 211, 255);
}

void ApplySilverGelPreset(ButtonProperties& p) {
  p.MidColor = Rgb(197, 197, 197);
  p.EndColor = Rgb(238, 238, 238);
  p.MouseMoveMidColor = Rgb(123, 167, 211);
  p.MouseMoveEndColor = Rgb(210, 245, 251);
  p.MouseDownMidColor = Rgb(227, 167, 105);
  p.MouseDownEndColor = Rgb(252, 220, 199);
}

Command::Command(CommandPlatform& platform, CommandHost& host) : platform_(platform), host_(host) {
  st_.LastButton = 1;
  st_.PressedTextRect.left = 2;
  st_.PressedTextRect.top = 2;
  ApplyColorScheme();
}

void Command::ApplyColorScheme() {
  if (p_.ColorScheme == SchemeCustom) {
    pal_.TextColor = p_.ForeColor;
    pal_.FaceColor = p_.BackColor;
    pal_.ShadowColor = AdjustColor(p_.BackColor, -64, false);
    pal_.LightColor = AdjustColor(pal_.FaceColor, 31, false);
    pal_.HighlightColor = AdjustColor(pal_.FaceColor, 47, false);
    pal_.DarkShadowColor = AdjustColor(pal_.FaceColor, -192, false);
  } else if (p_.ColorScheme == SchemeSilver) {
    pal_.DarkShadowColor = Rgb(0, 0, 0);
    pal_.TextColor = Rgb(0, 0, 0);
    pal_.FaceColor = Rgb(192, 192, 192);
    pal_.ShadowColor = Rgb(128, 128, 128);
    pal_.LightColor = Rgb(223, 223, 223);
    pal_.HighlightColor = Rgb(255, 255, 255);
    p_.OfficeXpFillColor = Rgb(236, 233, 216);
    p_.OfficeXpFrameColor = Rgb(172, 169, 154);
    p_.OfficeXpMousemoveFillColor = Rgb(193, 210, 238);
    p_.OfficeXpMousemoveFrameColor = Rgb(49, 105, 198);
  } else {
    pal_.FaceColor = platform_.SysColor(kColorBtnFace);
    pal_.ShadowColor = platform_.SysColor(kColorBtnShadow);
    pal_.LightColor = platform_.SysColor(kColor3dLight);
    pal_.DarkShadowColor = platform_.SysColor(kColor3dDkShadow);
    pal_.HighlightColor = platform_.SysColor(kColorBtnHighlight);
    pal_.TextColor = p_.ForeColor;
    if (p_.ButtonType == GelButton) ApplySilverGelPreset(p_);
  }
}

void Command::InitNew(const FontSpec& own_font) {
  p_.BackColor = platform_.SysColor(kColorBtnFace);
  p_.ForeColor = platform_.SysColor(kColorBtnText);
  p_.Enabled = true;
  p_.Font = own_font;
  st_.StoredHwnd = 0;
  p_.ButtonType = XpButton;
  p_.Caption = host_.InstanceName();
  p_.ColorScheme = SchemeSystem;
  p_.XpType = XpBlue;
  p_.ShowFocusRect = true;
  p_.rectcolor = kDefaultRectColor;
  st_.DrawState = kStateUp;
  p_.Percent = kDefaultPercent;
  p_.MidColor = kDefaultMidColor;
  p_.EndColor = kDefaultEndColor;
  p_.MouseMoveMidColor = kDefaultMouseMoveMidColor;
  p_.MouseMoveEndColor = kDefaultMouseMoveEndColor;
  p_.MouseDownMidColor = kDefaultMouseDownMidColor;
  p_.MouseDownEndColor = kDefaultMouseDownEndColor;
  p_.OfficeXpFillColor = kDefaultOfficeXpFillColor;
  p_.OfficeXpFrameColor = kDefaultOfficeXpFrameColor;
  p_.OfficeXpMousemoveFillColor = kDefaultOfficeXpMousemoveFillColor;
  p_.OfficeXpMousemoveFrameColor = kDefaultOfficeXpMousemoveFrameColor;
}

void Command::Load(const PropertyStore& store) {
  p_.BackColor = ReadInt32(store, "BackColor", platform_.SysColor(kColorBtnFace));
  p_.ForeColor = ReadInt32(store, "ForeColor", platform_.SysColor(kColorBtnText));
  p_.Enabled = ReadBool(store, "Enabled", true);
  p_.Font = ReadFont(store, "Font", host_.AmbientFont());
  st_.StoredHwnd = ReadInt32(store, "hWnd", 0);
  p_.ButtonType = ReadInt32(store, "ButtonType", XpButton);
  p_.XpType = ReadInt32(store, "XpType", XpBlue);
  p_.Caption = ReadText(store, "Caption", kDefaultCaption);
  p_.ColorScheme = ReadInt32(store, "ColorScheme", SchemeSystem);
  p_.ShowFocusRect = ReadBool(store, "ShowFocusRect", true);

  platform_.EnableWindow(p_.Enabled);
  platform_.UseFont(p_.Font);

  ApplyColorScheme();
  UpdateAccessKey();

  // Read after the palette on purpose: stored (or default) colours replace
  // whatever ApplyColorScheme put into these properties.
  p_.rectcolor = ReadInt32(store, "rectcolor", kDefaultRectColor);
  p_.Percent = ReadInt16(store, "Percent", kDefaultPercent);
  p_.MidColor = ReadInt32(store, "MidColor", kDefaultMidColor);
  p_.EndColor = ReadInt32(store, "EndColor", kDefaultEndColor);
  p_.MouseMoveEndColor = ReadInt32(store, "MouseMoveEndColor", kDefaultMouseMoveEndColor);
  p_.MouseMoveMidColor = ReadInt32(store, "MouseMoveMidColor", kDefaultMouseMoveMidColor);
  p_.MouseDownEndColor = ReadInt32(store, "MouseDownEndColor", kDefaultMouseDownEndColor);
  p_.MouseDownMidColor = ReadInt32(store, "MouseDownMidColor", kDefaultMouseDownMidColor);
  p_.OfficeXpFillColor = ReadInt32(store, "OfficeXpFillColor", kDefaultOfficeXpFillColor);
  p_.OfficeXpFrameColor = ReadInt32(store, "OfficeXpFrameColor", kDefaultOfficeXpFrameColor);
  p_.OfficeXpMousemoveFillColor =
      ReadInt32(store, "OfficeXpMousemoveFillColor", kDefaultOfficeXpMousemoveFillColor);
  p_.OfficeXpMousemoveFrameColor =
      ReadInt32(store, "OfficeXpMousemoveFrameColor", kDefaultOfficeXpMousemoveFrameColor);

  st_.DrawState = kStateUp;
  Repaint();
}

void Command::Save(PropertyStore& store) const {
  const auto color = [&store](std::string_view key, Color v, Color d) {
    store.Write(key, PropertyValue(std::int32_t{v}), PropertyValue(std::int32_t{d}));
  };
  const auto flag = [&store](std::string_view key, bool v, bool d) {
    store.Write(key, PropertyValue(v), PropertyValue(d));
  };
  color("BackColor", p_.BackColor, platform_.SysColor(kColorBtnFace));
  color("ForeColor", p_.ForeColor, platform_.SysColor(kColorBtnText));
  flag("Enabled", p_.Enabled, true);
  store.Write("Font", PropertyValue(p_.Font), PropertyValue(host_.AmbientFont()));
  color("hWnd", st_.StoredHwnd, 0);
  color("ButtonType", p_.ButtonType, XpButton);
  color("XpType", p_.XpType, XpBlue);
  store.Write("Caption", PropertyValue(p_.Caption), PropertyValue(std::string(kDefaultCaption)));
  color("ColorScheme", p_.ColorScheme, SchemeSystem);
  flag("ShowFocusRect", p_.ShowFocusRect, true);
  color("rectcolor", p_.rectcolor, kDefaultRectColor);
  store.Write("Percent", PropertyValue(std::int16_t{p_.Percent}),
              PropertyValue(std::int16_t{kDefaultPercent}));
  color("MidColor", p_.MidColor, kDefaultMidColor);
  color("EndColor", p_.EndColor, kDefaultEndColor);
  color("MouseMoveMidColor", p_.MouseMoveMidColor, kDefaultMouseMoveMidColor);
  color("MouseMoveEndColor", p_.MouseMoveEndColor, kDefaultMouseMoveEndColor);
  color("MouseDownMidColor", p_.MouseDownMidColor, kDefaultMouseDownMidColor);
  color("MouseDownEndColor", p_.MouseDownEndColor, kDefaultMouseDownEndColor);
  color("OfficeXpFillColor", p_.OfficeXpFillColor, kDefaultOfficeXpFillColor);
  color("OfficeXpFrameColor", p_.OfficeXpFrameColor, kDefaultOfficeXpFrameColor);
  color("OfficeXpMousemoveFillColor", p_.OfficeXpMousemoveFillColor,
        kDefaultOfficeXpMousemoveFillColor);
  color("OfficeXpMousemoveFrameColor", p_.OfficeXpMousemoveFrameColor,
        kDefaultOfficeXpMousemoveFrameColor);
}

void Command::SetRepaintingColor(Color& field, Color v, std::string_view name) {
  field = v;
  Repaint();
  Notify(name);
}

void Command::SetBackColor(Color v) {
  p_.BackColor = v;
  ApplyColorScheme();
  Repaint();
  Notify("BackColor");
}

void Command::SetForeColor(Color v) {
  p_.ForeColor = v;
  ApplyColorScheme();
  Repaint();
  Notify("ForeColor");
}

Status Command::SetPercent(int v) {
  if (v < 0 || v > 100) return Status::kInvalidPropertyValue;
  p_.Percent = static_cast<std::int16_t>(v);
  Repaint();
  Notify("Percent");
  return Status::kOk;
}

void Command::SetEnabled(bool v) {
  p_.Enabled = v;
  platform_.EnableWindow(v);
  Resize();
  Notify("Enabled");
}

void Command::SetFont(const FontSpec& v) {
  p_.Font = v;
  platform_.UseFont(v);
  Repaint();
  Notify("Font");
}

Status Command::SethWnd(std::int32_t /*v*/) {
  return host_.UserMode() ? Status::kSetNotSupportedAtRuntime : Status::kSetNotPermitted;
}

void Command::SetButtonType(std::int32_t v) {
  p_.ButtonType = v;
  ApplyColorScheme();
  if (v == GelButton) ApplyGelPreset(p_);
  Resize();
  Notify("ButtonType");
}

void Command::SetCaption(std::string_view v) {
  p_.Caption = std::string(v);
  UpdateAccessKey();
  Repaint();
  Notify("Caption");
}

void Command::SetColorScheme(std::int32_t v) {
  p_.ColorScheme = v;
  ApplyColorScheme();
  Repaint();
  Notify("ColorScheme");
}

void Command::SetXpType(std::int32_t v) {
  p_.XpType = v;
  Repaint();
  Notify("XpType");
}

void Command::Setrectcolor(Color v) {
  // Stored only: the colour shows at the next repaint.
  p_.rectcolor = v;
  Notify("rectcolor");
}

void Command::SetShowFocusRect(bool v) {
  p_.ShowFocusRect = v;
  Repaint();
  Notify("ShowFocusRect");
}

void Command::PaintButton(std::uint8_t state, bool force) {
  Canvas* canvas = platform_.Surface();
  if (canvas == nullptr) return;
  const PaintInputs in{p_, pal_, host_.DisplayAsDefault()};
  if (qm::button::PaintButton(*canvas, in, st_, state, force)) platform_.PaintDone();
}

void Command::Resize() {
  st_.ButtonHeight = RoundHalfEven(platform_.ClientHeight());
  st_.ButtonWidth = RoundHalfEven(platform_.ClientWidth());
  const int w = st_.ButtonWidth;
  const int h = st_.ButtonHeight;
  st_.TextRect.right = w;
  st_.TextRect.bottom = h;
  st_.PressedTextRect.right = w;
  st_.PressedTextRect.bottom = h;
  st_.FocusRect = Rect{2, 2, w - 2, h - 2};
  shape_ = BuildWindowRegion(p_.ButtonType, w, h);
  platform_.SetWindowShape(shape_);
  PaintButton(st_.DrawState, true);
}

void Command::UpdateAccessKey() {
  access_key_ = AccessKeyOf(p_.Caption);
  platform_.SetAccessKey(access_key_);
}

}  // namespace qm::button
