// What the button needs around it: the host that places it (ambient values,
// change notices, event handlers) and the platform window it draws into.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "button/canvas.h"
#include "button/font_face.h"
#include "button/window_shape.h"

namespace qm::button {

class CommandHost {
 public:
  virtual ~CommandHost() = default;
  [[nodiscard]] virtual FontSpec AmbientFont() const = 0;
  // False while a designer edits the layout, true while the program runs.
  [[nodiscard]] virtual bool UserMode() const { return true; }
  // Whether the host shows this button as its default button; read at each paint.
  [[nodiscard]] virtual bool DisplayAsDefault() const { return false; }
  [[nodiscard]] virtual std::string InstanceName() const { return {}; }
  virtual void PropertyChanged(std::string_view /*name*/) {}
};

// A host with fixed ambient values, for windows that need nothing more.
class FixedCommandHost : public CommandHost {
 public:
  explicit FixedCommandHost(FontSpec ambient_font, std::string name = {})
      : font_(std::move(ambient_font)), name_(std::move(name)) {}
  [[nodiscard]] FontSpec AmbientFont() const override { return font_; }
  [[nodiscard]] std::string InstanceName() const override { return name_; }

 private:
  FontSpec font_;
  std::string name_;
};

struct PointF {
  float x = 0.0f;
  float y = 0.0f;
};

// The control's own window and the system services it reaches through it.
class CommandPlatform {
 public:
  virtual ~CommandPlatform() = default;
  [[nodiscard]] virtual Color SysColor(int index) const = 0;
  [[nodiscard]] virtual std::uintptr_t WindowHandle() const = 0;
  virtual void EnableWindow(bool enabled) = 0;
  virtual void UseFont(const FontSpec& font) = 0;
  // The retained drawing surface, sized to the client area; nullptr when
  // there is none yet.
  [[nodiscard]] virtual Canvas* Surface() = 0;
  // A paint has ended: its image becomes visible.
  virtual void PaintDone() = 0;
  // Shows the retained image at once instead of at the next idle moment.
  virtual void ShowImageNow() = 0;
  virtual void SetWindowShape(const WindowShape& shape) = 0;
  [[nodiscard]] virtual double ClientWidth() const = 0;
  [[nodiscard]] virtual double ClientHeight() const = 0;
  virtual void SetTimer1(bool on) = 0;
  // The pointer in client coordinates; nullopt when it cannot be read.
  [[nodiscard]] virtual std::optional<PointF> CursorInClient() const = 0;
  // Moves the keyboard focus to the next (or previous) control of the host.
  virtual void MoveFocus(bool forward) = 0;
  virtual void SetAccessKey(std::optional<char32_t> key) = 0;
};

// Events the button raises, in their declared order. Parameters are passed
// by reference: the button goes on with the values a handler leaves.
struct CommandEvents {
  std::function<void()> Click;
  std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyDown;
  std::function<void(std::int16_t& KeyAscii)> KeyPress;
  std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyUp;
  std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)> MouseDown;
  std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)> MouseMove;
  std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)> MouseUp;
  std::function<void()> MouseOut;
};

}  // namespace qm::button
