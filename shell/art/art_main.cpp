// quillmar-art OUTDIR: draws the skins, the chrome pictures and the icon
// and writes them into OUTDIR. Run by the build; exits non-zero when a file
// could not be written.
#include <windows.h>

#include <cstdio>
#include <string>

#include "shell/art/canvas.h"
#include "shell/art/chrome_art.h"
#include "shell/art/icon_file.h"
#include "shell/art/skins.h"

using qm::art::Canvas;

namespace {

bool Save(const Canvas& c, const std::wstring& path) {
  if (c.SaveBmp(path)) return true;
  fprintf(stderr, "quillmar-art: cannot write %ls (error %lu)\n", path.c_str(), GetLastError());
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: quillmar-art OUTDIR\n");
    return 2;
  }
  const std::wstring dir = std::wstring(argv[1]) + L"\\";
  bool ok = true;

  {
    Canvas main_skin(786, 557), other_skin(786, 557), scan_skin(786, 557);
    qm::art::DrawMainSkin(main_skin);
    qm::art::DrawOtherSkin(other_skin);
    qm::art::DrawScanSkin(scan_skin);
    ok &= Save(main_skin, dir + L"bgmain.dll");
    ok &= Save(other_skin, dir + L"bgother.dll");
    ok &= Save(scan_skin, dir + L"bgscan.dll");
  }
  for (int state = 0; state < 3; ++state) {
    const std::wstring n = std::to_wstring(state);
    Canvas min(28, 15), exit(28, 15);
    qm::art::DrawMinButton(min, state);
    qm::art::DrawExitButton(exit, state);
    ok &= Save(min, dir + L"min" + n + L".bmp");
    ok &= Save(exit, dir + L"exit" + n + L".bmp");
    struct Nav {
      qm::art::NavIcon icon;
      const wchar_t* text;
      const wchar_t* file;
    };
    const Nav navs[] = {{qm::art::NavIcon::Scanner, L"扫描", L"scanner"},
                        {qm::art::NavIcon::Restore, L"恢复", L"restore"},
                        {qm::art::NavIcon::Settings, L"设置", L"settings"},
                        {qm::art::NavIcon::Records, L"记录", L"records"}};
    for (const Nav& nav : navs) {
      // Drawn over the sidebar colour: the button's rounded corners blend into it.
      Canvas c(199, 36, {33, 46, 62});
      qm::art::DrawNavButton(c, nav.icon, nav.text, state);
      ok &= Save(c, dir + nav.file + n + L".bmp");
    }
  }
  {
    Canvas strip(681, 25), wide(700, 25);
    qm::art::DrawCaptionStrip(strip);
    qm::art::DrawCaptionStrip(wide);
    ok &= Save(strip, dir + L"caption681.bmp");
    ok &= Save(wide, dir + L"caption700.bmp");
  }
  {
    Canvas i48(48, 48, {}, true), i32(32, 32, {}, true), i16(16, 16, {}, true);
    qm::art::DrawAppIcon(i48);
    qm::art::DrawAppIcon(i32);
    qm::art::DrawAppIcon(i16);
    if (!qm::art::SaveIcon(dir + L"app.ico", {&i48, &i32, &i16})) {
      fprintf(stderr, "quillmar-art: cannot write the icon\n");
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
