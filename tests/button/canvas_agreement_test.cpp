// The software canvas and the GDI canvas must agree pixel for pixel on every
// look, so that the native pixel tests speak for the real drawing. Captions
// are left empty here; the caption test below checks that text pixels stay
// inside the text's own box.
#include <gtest/gtest.h>

#include <sstream>

#include "button/win32/offscreen_platform.h"
#include "painted.h"

namespace qm::button {
namespace {

using testing::FakeHost;
using testing::FakePlatform;
using testing::Look;
using win32::OffscreenPlatform;

class GdiPlatform : public OffscreenPlatform {
 public:
  using OffscreenPlatform::OffscreenPlatform;
  Color SysColor(int index) const override { return testing::SystemColor(index); }
};

void PaintLook(CommandPlatform& platform, std::int32_t type, const Look& look,
               const MemoryPropertyStore& extra) {
  FakeHost host;
  host.display_as_default = look.is_default;
  Command c(platform, host);
  MemoryPropertyStore layout = extra;
  layout.Set("ButtonType", type);
  if (!look.enabled) layout.Set("Enabled", false);
  c.Load(layout);
  c.Resize();
  if (look.focused) c.FocusGained();
  if (look.hovered) c.Move(0, 0, 0, 0);
  c.PaintButton(look.state, true);
}

struct Variant {
  std::int32_t type;
  std::int32_t scheme;
  std::int32_t xp;
};

std::vector<Variant> Variants() {
  std::vector<Variant> v;
  for (std::int32_t scheme : {1, 2, 3}) {
    for (std::int32_t xp : {1, 2, 3, 7}) v.push_back({XpButton, scheme, xp});
  }
  for (std::int32_t type : {2, 3, 4, 5}) {
    for (std::int32_t scheme : {1, 3}) v.push_back({type, scheme, 1});
  }
  v.push_back({0, 1, 1});
  v.push_back({8, 1, 1});
  return v;
}

TEST(CanvasAgreement, SoftwareAndGdiAgreeOnEveryLookAndSize) {
  const int sizes[][2] = {{121, 33}, {60, 20}, {200, 60}, {40, 5},  {30, 4}, {30, 3},
                          {30, 2},   {30, 1},  {1, 1},    {2, 2},   {3, 3},  {4, 4},
                          {5, 5},    {6, 6},   {9, 33},   {10, 33}, {6, 33}, {1, 30},
                          {2, 30},   {121, 9}, {121, 10}, {7, 12}};
  const Look looks[] = {{},
                        {true},
                        {false, true},
                        {false, false, true},
                        {false, false, false, kStateDown},
                        {false, true, false, kStateDown},
                        {false, false, false, kStateUp, false}};
  int mismatches = 0;
  for (const auto& size : sizes) {
    const int w = size[0];
    const int h = size[1];
    for (const Variant& v : Variants()) {
      MemoryPropertyStore layout;
      layout.Set("Caption", std::string());
      layout.Set("ColorScheme", v.scheme);
      layout.Set("XpType", v.xp);
      layout.Set("BackColor", Rgb(90, 140, 200));
      for (std::size_t li = 0; li < std::size(looks); ++li) {
        FakePlatform soft(w, h);
        GdiPlatform gdi(w, h);
        ASSERT_TRUE(gdi.Ok()) << gdi.Error();
        PaintLook(soft, v.type, looks[li], layout);
        PaintLook(gdi, v.type, looks[li], layout);
        for (int y = 0; y < h && mismatches < 200; ++y) {
          for (int x = 0; x < w; ++x) {
            if (soft.canvas->At(x, y) == gdi.At(x, y)) continue;
            ++mismatches;
            ADD_FAILURE() << "type " << v.type << " scheme " << v.scheme << " xp " << v.xp
                          << " look " << li << " size " << w << "x" << h << " at " << x << "," << y
                          << ": software " << std::hex << soft.canvas->At(x, y) << " gdi "
                          << gdi.At(x, y);
            break;
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(CanvasAgreement, CaptionInkStaysInsideTheTextBox) {
  for (std::int32_t type : {1, 2, 3, 4, 5}) {
    for (std::uint8_t state : {kStateUp, kStateDown}) {
      MemoryPropertyStore with;
      with.Set("Caption", std::string("Scan"));
      MemoryPropertyStore without;
      without.Set("Caption", std::string());
      GdiPlatform a(121, 33);
      GdiPlatform b(121, 33);
      const Look look{false, false, false, state};
      PaintLook(a, type, look, with);
      PaintLook(b, type, look, without);
      int ink = 0;
      for (int y = 0; y < 33; ++y) {
        for (int x = 0; x < 121; ++x) {
          if (a.At(x, y) == b.At(x, y)) continue;
          ++ink;
          // Centred single-line text, one pixel right and down when pressed.
          EXPECT_GT(x, 40) << type;
          EXPECT_LT(x, 82) << type;
          EXPECT_GT(y, 6) << type;
          EXPECT_LT(y, 27) << type;
        }
      }
      EXPECT_GT(ink, 20) << "type " << type << ": the caption left no ink";
    }
  }
}

TEST(GdiCanvas, PrefixesUnderlineAndDoubledAmpersandsShowOnce) {
  auto ink_rows = [](const char* text, unsigned extra_flags) {
    OffscreenPlatform p(80, 30);
    p.Surface()->FillRect(Rect{0, 0, 80, 30}, 0xFFFFFF);
    p.Surface()->SetTextColor(0);
    p.Surface()->DrawText(text, Rect{0, 0, 80, 30}, kSingleLineFlags | extra_flags);
    std::string picture;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 80; ++x) picture += p.At(x, y) == 0xFFFFFF ? '.' : '#';
    }
    return picture;
  };
  constexpr unsigned kNoPrefix = 0x800;
  EXPECT_EQ(ink_rows("A&&B", 0), ink_rows("A&B", kNoPrefix));
  EXPECT_NE(ink_rows("&AB", 0), ink_rows("AB", 0));  // the underline
  EXPECT_EQ(ink_rows("&AB", 0).size(), ink_rows("AB", 0).size());
}

}  // namespace
}  // namespace qm::button
