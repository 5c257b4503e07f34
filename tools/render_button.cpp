// Renders the button in one type, look, size and caption to a BMP file, so
// looks can be reviewed by eye:
//   qm_render_button --out face.bmp [--type 1] [--look up|hover|pressed|
//     disabled|focus|default] [--size 121x33] [--caption TEXT] [--font NAME]
//     [--points 9] [--xp 1] [--scheme 1] [--percent 16]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "button/command.h"
#include "button/win32/offscreen_platform.h"
#include "platform/win32/wide.h"

namespace {

using qm::button::Command;
using qm::button::FixedCommandHost;
using qm::button::FontSpec;
using qm::button::MemoryPropertyStore;

struct Options {
  std::wstring out;
  std::int32_t type = 1;
  std::wstring look = L"up";
  int width = 121;
  int height = 33;
  std::string caption = "OK";
  std::string font = "Tahoma";
  double points = 9.0;
  std::int32_t xp = 1;
  std::int32_t scheme = 1;
  std::int16_t percent = 16;
};

class RenderHost : public FixedCommandHost {
 public:
  RenderHost(FontSpec font, bool is_default)
      : FixedCommandHost(std::move(font)), default_(is_default) {}
  bool DisplayAsDefault() const override { return default_; }

 private:
  bool default_;
};

bool Parse(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring key = argv[i];
    const wchar_t* value = argv[i + 1];
    if (key == L"--out") {
      o.out = value;
    } else if (key == L"--type") {
      o.type = static_cast<std::int32_t>(std::wcstol(value, nullptr, 10));
    } else if (key == L"--look") {
      o.look = value;
    } else if (key == L"--size") {
      if (std::swscanf(value, L"%dx%d", &o.width, &o.height) != 2) return false;
    } else if (key == L"--caption") {
      o.caption = qm::win32::Narrow(value);
    } else if (key == L"--font") {
      o.font = qm::win32::Narrow(value);
    } else if (key == L"--points") {
      o.points = std::wcstod(value, nullptr);
    } else if (key == L"--xp") {
      o.xp = static_cast<std::int32_t>(std::wcstol(value, nullptr, 10));
    } else if (key == L"--scheme") {
      o.scheme = static_cast<std::int32_t>(std::wcstol(value, nullptr, 10));
    } else if (key == L"--percent") {
      o.percent = static_cast<std::int16_t>(std::wcstol(value, nullptr, 10));
    } else {
      return false;
    }
  }
  return !o.out.empty() && o.width > 0 && o.height > 0 && o.width <= 4096 && o.height <= 4096;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    std::fputs(
        "usage: qm_render_button --out FILE.bmp [--type N] [--look up|hover|pressed|disabled|"
        "focus|default] [--size WxH] [--caption TEXT] [--font NAME] [--points N] [--xp N] "
        "[--scheme N] [--percent N]\n",
        stderr);
    return 2;
  }
  qm::button::win32::OffscreenPlatform platform(o.width, o.height);
  if (!platform.Ok()) {
    std::fprintf(stderr, "cannot make the bitmap (error %lu)\n", platform.Error());
    return 1;
  }
  FontSpec font;
  font.name = o.font;
  font.size_points = o.points;
  font.charset = 1;
  RenderHost host(font, o.look == L"default");
  Command button(platform, host);
  MemoryPropertyStore layout;
  layout.Set("ButtonType", o.type);
  layout.Set("Caption", o.caption);
  layout.Set("XpType", o.xp);
  layout.Set("ColorScheme", o.scheme);
  layout.Set("Percent", o.percent);
  layout.Set("Enabled", o.look != L"disabled");
  button.Load(layout);
  button.Resize();
  if (o.look == L"focus") button.FocusGained();
  if (o.look == L"hover") button.Move(0, 0, 0, 0);
  button.PaintButton(o.look == L"pressed" ? qm::button::kStateDown : qm::button::kStateUp, true);
  if (const DWORD error = platform.SaveBmp(o.out); error != 0) {
    std::fprintf(stderr, "cannot write the image (error %lu)\n", error);
    return 1;
  }
  return 0;
}
