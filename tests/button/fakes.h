// Test doubles around Command: a platform backed by the software canvas and
// a host that logs every event, so event orders can be compared as text.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "button/command.h"
#include "testing/software_canvas.h"

namespace qm::button::testing {

inline Color SystemColor(int index) {
  switch (index) {
    case kColorBtnFace:
      return Rgb(240, 240, 240);
    case kColorBtnShadow:
      return Rgb(160, 160, 160);
    case kColorBtnText:
      return Rgb(10, 20, 30);
    case kColorBtnHighlight:
      return Rgb(255, 255, 255);
    case kColor3dDkShadow:
      return Rgb(105, 105, 105);
    case kColor3dLight:
      return Rgb(227, 227, 227);
    default:
      return 0;
  }
}

class FakePlatform : public CommandPlatform {
 public:
  explicit FakePlatform(int width = 121, int height = 33) { SetSize(width, height); }

  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
    canvas = std::make_unique<SoftwareCanvas>(width, height, Rgb(1, 2, 3));
  }

  Color SysColor(int index) const override { return SystemColor(index); }
  std::uintptr_t WindowHandle() const override { return 0x1234; }
  void EnableWindow(bool enabled) override { window_enabled = enabled; }
  void UseFont(const FontSpec& f) override { font = f; }
  Canvas* Surface() override { return canvas.get(); }
  void PaintDone() override { ++paints; }
  void ShowImageNow() override { ++shows; }
  void SetWindowShape(const WindowShape& s) override { shape = s; }
  double ClientWidth() const override { return width_; }
  double ClientHeight() const override { return height_; }
  void SetTimer1(bool on) override { timer = on; }
  std::optional<PointF> CursorInClient() const override { return cursor; }
  void MoveFocus(bool forward) override { focus_moves.push_back(forward ? "next" : "previous"); }
  void SetAccessKey(std::optional<char32_t> key) override { access_key = key; }

  std::unique_ptr<SoftwareCanvas> canvas;
  bool window_enabled = true;
  FontSpec font;
  int paints = 0;
  int shows = 0;
  WindowShape shape;
  bool timer = false;
  std::optional<PointF> cursor;
  std::vector<std::string> focus_moves;
  std::optional<char32_t> access_key;

 private:
  int width_ = 0;
  int height_ = 0;
};

class FakeHost : public CommandHost {
 public:
  FontSpec AmbientFont() const override { return ambient_font; }
  bool UserMode() const override { return user_mode; }
  bool DisplayAsDefault() const override { return display_as_default; }
  std::string InstanceName() const override { return name; }
  void PropertyChanged(std::string_view n) override { changed.emplace_back(n); }

  FontSpec ambient_font{"Tahoma", 8.25, 400, false, false, false, 0};
  bool user_mode = true;
  bool display_as_default = false;
  std::string name = "Command1";
  std::vector<std::string> changed;
};

// Logs every event as text, e.g. "MouseDown(1,0,5,6)".
inline void LogEvents(Command& c, std::vector<std::string>& log) {
  auto mouse = [&log](const char* name) {
    return [&log, name](std::int16_t& b, std::int16_t& s, float& x, float& y) {
      log.push_back(std::string(name) + "(" + std::to_string(b) + "," + std::to_string(s) + "," +
                    std::to_string(static_cast<int>(x)) + "," +
                    std::to_string(static_cast<int>(y)) + ")");
    };
  };
  CommandEvents& e = c.Events();
  e.Click = [&log] { log.push_back("Click"); };
  e.KeyDown = [&log](std::int16_t& k, std::int16_t&) {
    log.push_back("KeyDown(" + std::to_string(k) + ")");
  };
  e.KeyPress = [&log](std::int16_t& k) { log.push_back("KeyPress(" + std::to_string(k) + ")"); };
  e.KeyUp = [&log](std::int16_t& k, std::int16_t&) {
    log.push_back("KeyUp(" + std::to_string(k) + ")");
  };
  e.MouseDown = mouse("MouseDown");
  e.MouseMove = mouse("MouseMove");
  e.MouseUp = mouse("MouseUp");
  e.MouseOut = [&log] { log.push_back("MouseOut"); };
}

// A loaded button of the given size, laid out from `layout`.
struct Fixture {
  explicit Fixture(int w = 121, int h = 33) : platform(w, h), command(platform, host) {}
  void Load(const PropertyStore& layout) {
    command.Load(layout);
    command.Resize();
  }
  FakePlatform platform;
  FakeHost host;
  Command command;
};

}  // namespace qm::button::testing
