#include "button/painting.h"

#include "button/paint_primitives.h"

namespace qm::button {
namespace {

class Painter {
 public:
  Painter(Canvas& canvas, const PaintInputs& in, ButtonState& st)
      : s_{canvas, st.ButtonWidth, st.ButtonHeight},
        p_(in.props),
        pal_(in.palette),
        st_(st),
        focused_(st.HasFocus && in.props.ShowFocusRect),
        default_or_focused_(focused_ || (in.props.ShowFocusRect && in.display_as_default)) {}

  void Paint(std::uint8_t state) {
    s_.canvas.Clear();
    s_.Fill(0, 0, s_.W, s_.H, pal_.FaceColor);
    if (!p_.Enabled) {
      DisabledLook();
      return;
    }
    s_.canvas.SetTextColor(pal_.TextColor);
    if (state == kStateUp) {
      UpLook();
    } else if (state == kStateDown) {
      PressedLook();
    }
  }

 private:
  void DrawFocusFrame() {
    s_.canvas.SetTextColor(pal_.TextColor);
    s_.canvas.DrawFocusRect(st_.FocusRect);
  }

  struct Layout {
    double th;
    int lines;
    bool fits;
  };

  Layout MeasureCaption() const {
    const TextSize size = s_.canvas.MeasureText(p_.Caption);
    // A button zero pixels wide cannot wrap its caption; it counts as one
    // line instead of dividing by the width.
    const int lines = s_.W > 0 ? RoundHalfEven(size.width) / s_.W + 1 : 1;
    return Layout{size.height, lines, size.width <= s_.W};
  }

  int WrappedTop(const Layout& l) const { return RoundHalfEven(s_.H - l.th * l.lines) / 2; }

  void Text(const Rect& r, unsigned flags, Color c) {
    s_.canvas.SetTextColor(c);
    s_.canvas.DrawText(p_.Caption, r, flags);
  }

  // The up caption and the disabled caption share one layout.
  void PlainCaption(Color c) {
    const Layout l = MeasureCaption();
    if (l.fits) {
      Text(st_.TextRect, kSingleLineFlags, c);
    } else {
      st_.TextRect.top = WrappedTop(l);
      Text(st_.TextRect, kWrappedFlags, c);
    }
  }

  void PressedCaption(Color c) {
    const Layout l = MeasureCaption();
    if (l.fits) {
      Text(st_.PressedTextRect, kSingleLineFlags, c);
    } else {
      st_.PressedTextRect.top = st_.TextRect.top + 2;
      Text(st_.PressedTextRect, kWrappedFlags, c);
    }
  }

  void UpLook();
  void PressedLook();
  void DisabledLook();
  void XpUpFace();
  void XpPressedFace();
  void ClassicBevelFill() { s_.Fill(1, 1, s_.W - 2, s_.H - 2, pal_.LightColor); }
  void ClassicBevelEdges();
  void ClassicPressedBevel();

  Surface s_;
  const ButtonProperties& p_;
  const Palette& pal_;
  ButtonState& st_;
  const bool focused_;             // F: keyboard focus shown
  const bool default_or_focused_;  // D: F, or shown as the host's default button
};

void Painter::XpUpFace() {
  const int w = s_.W;
  const int h = s_.H;
  if (p_.ColorScheme == SchemeCustom || p_.ColorScheme == SchemeSilver) {
    const Color base = AdjustColor(pal_.FaceColor, 48, true);
    const float k = static_cast<float>(25.0 / h);
    for (int i = 1; i <= h - 2; ++i) {
      s_.DrawLine(0, i, w, i, AdjustColor(base, RoundHalfEven(-static_cast<double>(k) * i), true));
    }
    return;
  }
  switch (p_.XpType) {
    case XpBlue:
      FadeToWhite(s_, 198, 197, 215, h - 2, 1, -1);
      break;
    case XpOlive: {
      Color c = Rgb(242, 237, 218);
      for (int y = h - 2; y >= 1; --y) {
        c = AdjustColor(c, 1, false);
        s_.DrawLine(1, y, w - 2, y, c);
      }
      break;
    }
    case XpSilver:
      FadeToWhite(s_, 236, 235, 230, h - 2, 1, -1);
      break;
    default:
      break;
  }
}

void Painter::ClassicBevelEdges() {
  const int w = s_.W;
  const int h = s_.H;
  const Color dark = pal_.DarkShadowColor;
  s_.DrawLine(2, 0, w - 2, 0, dark);
  s_.DrawLine(2, h - 1, w - 2, h - 1, dark);
  s_.DrawLine(0, 2, 0, h - 2, dark);
  s_.DrawLine(w - 1, 2, w - 1, h - 2, dark);
  s_.PutPixel(1, 1, dark);
  s_.PutPixel(1, h - 2, dark);
  s_.PutPixel(w - 2, 1, dark);
  s_.PutPixel(w - 2, h - 2, dark);
  s_.PutPixel(1, 2, pal_.FaceColor);
  s_.PutPixel(2, 1, pal_.FaceColor);
  s_.DrawLine(3, 2, w - 3, 2, pal_.HighlightColor);
  s_.DrawLine(2, 2, 2, h - 3, pal_.HighlightColor);
  s_.PutPixel(3, 3, pal_.HighlightColor);
  s_.DrawLine(w - 3, 1, w - 3, h - 3, pal_.FaceColor);
  s_.DrawLine(1, h - 3, w - 3, h - 3, pal_.FaceColor);
  s_.PutPixel(w - 4, h - 4, pal_.FaceColor);
  s_.DrawLine(w - 2, 3, w - 2, h - 2, pal_.ShadowColor);
  s_.DrawLine(3, h - 2, w - 2, h - 2, pal_.ShadowColor);
  s_.PutPixel(w - 3, h - 3, pal_.ShadowColor);
  s_.PutPixel(2, h - 2, pal_.FaceColor);
  s_.PutPixel(2, h - 3, pal_.LightColor);
  s_.PutPixel(w - 2, 2, pal_.FaceColor);
  s_.PutPixel(w - 3, 2, pal_.LightColor);
}

void Painter::UpLook() {
  switch (p_.ButtonType) {
    case XpButton:
      XpUpFace();
      DrawXpFrame(s_);
      if (st_.IsHovered) {
        DrawHoverRing(s_, p_.XpType == XpOlive ? Rgb(228, 144, 80) : p_.rectcolor);
      } else if (default_or_focused_) {
        if (p_.XpType == XpBlue || p_.XpType == XpSilver) {
          DrawBlueFocusRing(s_, false);
        } else if (p_.XpType == XpOlive) {
          DrawGreenFocusRing(s_);
        }
        DrawFocusFrame();
      }
      break;
    case ClassicButton:
      ClassicBevelFill();
      ClassicBevelEdges();
      if (st_.IsHovered) {
        DrawHoverRing(s_, p_.rectcolor);
      } else if (default_or_focused_) {
        DrawBlueFocusRing(s_, true);
      }
      break;
    case GlassButton: {
      const bool system = p_.ColorScheme == SchemeSystem;
      PaintGlassFace(s_, p_.MidColor, system ? Rgb(183, 183, 183) : Rgb(1, 109, 1), p_.EndColor,
                     p_.Percent, false);
      if (st_.IsHovered) {
        PaintGlassFace(s_, p_.MouseMoveMidColor, system ? Rgb(82, 134, 182) : Rgb(1, 109, 1),
                       p_.MouseMoveEndColor, p_.Percent, false);
      }
      if (default_or_focused_) DrawFocusFrame();
      break;
    }
    case GelButton:
      PaintGelFace(s_, st_.IsHovered ? p_.MouseMoveMidColor : p_.MidColor, Rgb(81, 107, 148),
                   st_.IsHovered ? p_.MouseMoveEndColor : p_.EndColor, p_.Percent);
      if (default_or_focused_) DrawFocusFrame();
      break;
    case OfficeXpButton: {
      const Color frame = st_.IsHovered ? p_.OfficeXpMousemoveFrameColor : p_.OfficeXpFrameColor;
      const Color fill = st_.IsHovered ? p_.OfficeXpMousemoveFillColor : p_.OfficeXpFillColor;
      s_.Frame(0, 0, s_.W, s_.H, frame);
      s_.Fill(1, 1, s_.W - 2, s_.H - 2, fill);
      if (focused_) DrawFocusFrame();
      break;
    }
    default:
      break;
  }
  PlainCaption(pal_.TextColor);
}

void Painter::XpPressedFace() {
  const int w = s_.W;
  const int h = s_.H;
  switch (p_.XpType) {
    case XpBlue:
      FadeToWhite(s_, 171, 170, 188, 1, h - 2, 1);
      break;
    case XpOlive: {
      const Color base = AdjustColor(AdjustColor(pal_.FaceColor, 48, true), -32, true);
      const float k = static_cast<float>(15.0 / h);
      for (int i = 1; i <= h; ++i) {
        s_.DrawLine(0, h - i, w, h - i,
                    AdjustColor(base, RoundHalfEven(-static_cast<double>(k) * i), true));
      }
      break;
    }
    case XpSilver:
      FadeToWhite(s_, 224, 224, 216, 1, h - 2, 1);
      break;
    default:
      break;
  }
}

void Painter::ClassicPressedBevel() {
  const int w = s_.W;
  const int h = s_.H;
  const Color s16 = AdjustColor(pal_.ShadowColor, -16, false);
  const Color s32 = AdjustColor(pal_.ShadowColor, -32, false);
  const Color s64 = AdjustColor(pal_.ShadowColor, -64, false);
  const Color dark = pal_.DarkShadowColor;
  s_.Fill(1, 1, w - 2, h - 2, s16);
  s_.DrawLine(2, 0, w - 2, 0, dark);
  s_.DrawLine(2, h - 1, w - 2, h - 1, dark);
  s_.DrawLine(0, 2, 0, h - 2, dark);
  s_.DrawLine(w - 1, 2, w - 1, h - 2, dark);
  s_.Frame(1, 1, w - 2, h - 2, s64);
  s_.Frame(2, 2, w - 4, h - 4, s32);
  s_.PutPixel(2, 2, s64);
  s_.PutPixel(3, 3, s32);
  s_.PutPixel(1, 1, dark);
  s_.PutPixel(1, h - 2, dark);
  s_.PutPixel(w - 2, 1, dark);
  s_.PutPixel(w - 2, h - 2, dark);
  s_.DrawLine(w - 3, 1, w - 3, h - 3, pal_.ShadowColor);
  s_.DrawLine(1, h - 3, w - 2, h - 3, pal_.ShadowColor);
  s_.PutPixel(w - 4, h - 4, pal_.ShadowColor);
  s_.DrawLine(w - 2, 3, w - 2, h - 2, s16);
  s_.DrawLine(3, h - 2, w - 2, h - 2, s16);
  s_.PutPixel(w - 2, h - 3, s32);
  s_.PutPixel(w - 3, h - 2, s32);
  s_.PutPixel(2, h - 2, s32);
  s_.PutPixel(2, h - 3, s16);
  s_.PutPixel(1, h - 3, s16);
  s_.PutPixel(w - 2, 2, s32);
  s_.PutPixel(w - 3, 2, s16);
  s_.PutPixel(w - 3, 1, s16);
}

void Painter::PressedLook() {
  switch (p_.ButtonType) {
    case XpButton:
      XpPressedFace();
      PressedCaption(pal_.TextColor);
      DrawXpFrame(s_);
      if (focused_) DrawFocusFrame();
      break;
    case ClassicButton:
      ClassicPressedBevel();
      PressedCaption(pal_.LightColor);
      break;
    case GlassButton:
      if (p_.ColorScheme == SchemeSystem) {
        PaintGlassFace(s_, p_.MouseDownMidColor, Rgb(203, 130, 62), p_.MouseDownEndColor,
                       p_.Percent, false);
      } else {
        PaintGlassFace(s_, p_.MouseDownMidColor, Rgb(84, 157, 84), p_.MouseDownEndColor, p_.Percent,
                       true);
      }
      PressedCaption(pal_.TextColor);
      if (focused_) DrawFocusFrame();
      break;
    case GelButton:
      PaintGelFace(s_, p_.MouseDownMidColor, Rgb(81, 107, 148), p_.MouseDownEndColor, p_.Percent);
      PressedCaption(pal_.TextColor);
      if (focused_) DrawFocusFrame();
      break;
    case OfficeXpButton: {
      s_.Frame(0, 0, s_.W, s_.H, p_.OfficeXpMousemoveFrameColor);
      const Color limit = Rgb(250, 250, 250);
      const Color fill =
          p_.ColorScheme == SchemeSilver
              ? OffsetColorWithin(p_.OfficeXpMousemoveFillColor, -40, -30, -15, limit)
              : OffsetColorWithin(p_.OfficeXpMousemoveFillColor, -30, -30, -60, limit);
      s_.Fill(1, 1, s_.W - 2, s_.H - 2, fill);
      PressedCaption(pal_.TextColor);
      if (focused_) DrawFocusFrame();
      break;
    }
    default:
      break;
  }
}

void Painter::DisabledLook() {
  switch (p_.ButtonType) {
    case XpButton:
      s_.Fill(0, 0, s_.W, s_.H, Rgb(244, 244, 234));
      PlainCaption(Rgb(161, 162, 146));
      DrawRoundFrame(s_, Rgb(201, 199, 186), Rgb(201, 199, 186));
      break;
    case ClassicButton: {
      ClassicBevelFill();
      Text(st_.TextRect, kSingleLineFlags, pal_.ShadowColor);
      ClassicBevelEdges();
      const Layout l = MeasureCaption();
      if (l.fits) {
        Text(st_.PressedTextRect, kSingleLineFlags, pal_.HighlightColor);
      } else {
        st_.PressedTextRect.top = WrappedTop(l) + 2;
        Text(st_.PressedTextRect, kWrappedFlags, pal_.HighlightColor);
      }
      break;
    }
    case GlassButton:
      s_.Fill(1, 1, s_.W - 2, s_.H - 2, Rgb(241, 242, 237));
      DrawRoundFrame(s_, Rgb(204, 204, 202), Rgb(204, 204, 202));
      PlainCaption(Rgb(171, 168, 153));
      break;
    case GelButton:
      PaintGelFace(s_, Rgb(198, 218, 255), Rgb(128, 140, 162), Rgb(232, 242, 255), 53);
      PlainCaption(Rgb(171, 168, 153));
      break;
    case OfficeXpButton:
      if (p_.ColorScheme == SchemeSilver) {
        s_.Frame(0, 0, s_.W, s_.H, p_.OfficeXpFrameColor);
        s_.Fill(1, 1, s_.W - 2, s_.H - 2, p_.OfficeXpFillColor);
        PlainCaption(p_.OfficeXpFrameColor);
      } else {
        s_.Frame(0, 0, s_.W, s_.H, Rgb(188, 188, 64));
        s_.Fill(1, 1, s_.W - 2, s_.H - 2, Rgb(238, 239, 208));
        PlainCaption(Rgb(188, 188, 64));
      }
      break;
    default:
      break;
  }
}

}  // namespace

bool PaintButton(Canvas& canvas, const PaintInputs& in, ButtonState& st, std::uint8_t state,
                 bool force) {
  if (!force && in.props.Caption == st.PaintedCaption && state == st.DrawState) return false;
  if (st.ButtonHeight == 0) return false;
  st.DrawState = state;
  st.PaintedCaption = in.props.Caption;
  Painter(canvas, in, st).Paint(state);
  return true;
}

}  // namespace qm::button
