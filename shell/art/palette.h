// The product's colours, shared by the skins, the chrome pictures and the icon.
#pragma once

#include "shell/art/canvas.h"

namespace qm::art {

inline constexpr Rgb kSidebar{33, 46, 62};
inline constexpr Rgb kSidebarLow{26, 36, 49};
inline constexpr Rgb kHeaderTop{38, 124, 190};
inline constexpr Rgb kHeaderBottom{24, 88, 150};
inline constexpr Rgb kPage{244, 246, 249};
inline constexpr Rgb kCard{255, 255, 255};
inline constexpr Rgb kCardBorder{214, 221, 229};
inline constexpr Rgb kFooterTop{238, 241, 245};
inline constexpr Rgb kFooterBottom{226, 231, 237};
inline constexpr Rgb kFooterLine{203, 210, 219};
inline constexpr Rgb kOrange{255, 140, 26};
inline constexpr Rgb kOrangeDeep{232, 104, 8};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kInk{35, 49, 66};

// The caption strip: a top line over a grey gradient. The skins paint the
// same bar across the whole top so that the strip and the buttons blend in.
inline constexpr Rgb kCaptionLine{90, 102, 114};
inline constexpr Rgb kCaptionTop{255, 255, 255};
inline constexpr Rgb kCaptionBottom{228, 228, 228};
inline constexpr int kCaptionHeight = 25;

// The caption bar's colour on row y (0 = the top line).
[[nodiscard]] inline Rgb CaptionColor(int y) {
  if (y <= 0) return kCaptionLine;
  return Mix(kCaptionTop, kCaptionBottom, (y - 1) / static_cast<double>(kCaptionHeight - 2));
}

// Where the chrome sits in every window (pixels).
inline constexpr int kSidebarWidth = 213;
inline constexpr int kFooterTopY = 527;

}  // namespace qm::art
