// The button's enumerations, its stored properties, the palette it derives
// and its internal drawing state. Plain data: the behaviour lives in
// Command (properties, input) and in the painting functions.
#pragma once

#include <cstdint>
#include <string>

#include "button/canvas.h"
#include "button/color.h"
#include "button/font_face.h"

namespace qm::button {

// ButtonType values. Any other value is accepted and draws only the face
// fill and, in the up look, the caption.
enum ButtonTypeValue : std::int32_t {
  XpButton = 1,
  ClassicButton = 2,
  GlassButton = 3,
  GelButton = 4,
  OfficeXpButton = 5,
};

enum XpTypeValue : std::int32_t { XpBlue = 1, XpOlive = 2, XpSilver = 3 };

// Every ColorScheme other than 2 and 3 behaves as SchemeSystem.
enum ColorSchemeValue : std::int32_t { SchemeSystem = 1, SchemeCustom = 2, SchemeSilver = 3 };

// System colour indexes the button reads.
inline constexpr int kColorBtnFace = 15;
inline constexpr int kColorBtnShadow = 16;
inline constexpr int kColorBtnText = 18;
inline constexpr int kColorBtnHighlight = 20;
inline constexpr int kColor3dDkShadow = 21;
inline constexpr int kColor3dLight = 22;

// Look requests: up (normal) and down (pressed).
inline constexpr std::uint8_t kStateUp = 0;
inline constexpr std::uint8_t kStateDown = 2;

// Mouse buttons and shift bits as the events carry them.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;
inline constexpr std::int16_t kShiftMask = 1;

struct ButtonProperties {
  Color BackColor = 0;
  Color ForeColor = 0;
  std::int16_t Percent = 0;
  Color MidColor = 0;
  Color EndColor = 0;
  Color MouseMoveMidColor = 0;
  Color MouseMoveEndColor = 0;
  Color MouseDownMidColor = 0;
  Color MouseDownEndColor = 0;
  Color OfficeXpFillColor = 0;
  Color OfficeXpFrameColor = 0;
  Color OfficeXpMousemoveFillColor = 0;
  Color OfficeXpMousemoveFrameColor = 0;
  bool Enabled = false;
  FontSpec Font;
  std::int32_t ButtonType = 0;
  std::string Caption;
  std::int32_t ColorScheme = 0;
  std::int32_t XpType = 0;
  Color rectcolor = 0;
  bool ShowFocusRect = false;
};

// Derived by ApplyColorScheme; never stored.
struct Palette {
  Color FaceColor = 0;
  Color LightColor = 0;
  Color HighlightColor = 0;
  Color ShadowColor = 0;
  Color DarkShadowColor = 0;
  Color TextColor = 0;
};

struct ButtonState {
  std::uint8_t DrawState = kStateUp;
  bool IsHovered = false;
  bool HasFocus = false;
  std::uint8_t LastButton = 1;
  std::uint8_t LastKeyCode = 0;
  std::string PaintedCaption;
  std::int32_t ButtonWidth = 0;
  std::int32_t ButtonHeight = 0;
  Rect TextRect{0, 0, 0, 0};
  Rect PressedTextRect{2, 2, 0, 0};
  Rect FocusRect{0, 0, 0, 0};
  std::int32_t StoredHwnd = 0;
};

// Values of a freshly placed instance and the two gradient presets.
inline constexpr std::int16_t kDefaultPercent = 16;
inline constexpr Color kDefaultMidColor = 116 + 256 * 200 + 65536 * 115;
inline constexpr Color kDefaultEndColor = 215 + 256 * 246 + 65536 * 215;
inline constexpr Color kDefaultMouseMoveMidColor = 53 + 256 * 163 + 65536 * 51;
inline constexpr Color kDefaultMouseMoveEndColor = 245 + 256 * 252 + 65536 * 244;
inline constexpr Color kDefaultMouseDownMidColor = 132 + 256 * 208 + 65536 * 133;
inline constexpr Color kDefaultMouseDownEndColor = 0;
inline constexpr Color kDefaultOfficeXpFillColor = 222 + 256 * 222 + 65536 * 160;
inline constexpr Color kDefaultOfficeXpFrameColor = 188 + 256 * 188 + 65536 * 66;
inline constexpr Color kDefaultOfficeXpMousemoveFillColor = 220 + 256 * 220 + 65536 * 186;
inline constexpr Color kDefaultOfficeXpMousemoveFrameColor = 127 + 256 * 128 + 65536 * 1;
inline constexpr Color kDefaultRectColor = 250 + 256 * 195 + 65536 * 88;
inline constexpr const char* kDefaultCaption = "wwbutton";

// Sets Percent and the six gradient colours to the blue gel look.
void ApplyGelPreset(ButtonProperties& p);
// The six gradient colours of the silver gel look (Percent stays).
void ApplySilverGelPreset(ButtonProperties& p);

}  // namespace qm::button
