// The button's window: class "Quillmar.Command". It keeps the last painted
// image in a bitmap of the client size and shows it whenever the window is
// uncovered, gives the button its shape, runs the hover timer and turns the
// window messages into the button's input notifications.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "button/command.h"
#include "button/win32/gdi_canvas.h"
#include "platform/win32/gdi_handles.h"
#include "platform/win32/window_base.h"

namespace qm::button::win32 {

inline constexpr wchar_t kCommandClassName[] = L"Quillmar.Command";
inline constexpr UINT_PTR kTimer1 = 1;
inline constexpr UINT kTimer1IntervalMs = 10;

// Registers the window class once per process. Returns 0 or the error code.
[[nodiscard]] DWORD RegisterCommandClass(HINSTANCE instance);

class CommandWindow final : public CommandPlatform, private qm::win32::WindowBase {
 public:
  // Creates the button as a child of `parent` at `bounds` (client pixels of
  // the parent), loads it from `layout` and gives it its first size. The
  // host must outlive the button. Returns 0 or the error code.
  [[nodiscard]] static DWORD Create(HWND parent, int id, const RECT& bounds, CommandHost& host,
                                    const PropertyStore& layout,
                                    std::unique_ptr<CommandWindow>& out);
  ~CommandWindow() override;
  CommandWindow(const CommandWindow&) = delete;
  CommandWindow& operator=(const CommandWindow&) = delete;

  [[nodiscard]] HWND Handle() const { return hwnd_; }
  [[nodiscard]] Command& Button() { return command_; }
  [[nodiscard]] CommandEvents& Events() { return command_.Events(); }

  // CommandPlatform.
  [[nodiscard]] Color SysColor(int index) const override;
  [[nodiscard]] std::uintptr_t WindowHandle() const override;
  void EnableWindow(bool enabled) override;
  void UseFont(const FontSpec& font) override;
  [[nodiscard]] Canvas* Surface() override;
  void PaintDone() override;
  void ShowImageNow() override;
  void SetWindowShape(const WindowShape& shape) override;
  [[nodiscard]] double ClientWidth() const override;
  [[nodiscard]] double ClientHeight() const override;
  void SetTimer1(bool on) override;
  [[nodiscard]] std::optional<PointF> CursorInClient() const override;
  void MoveFocus(bool forward) override;
  void SetAccessKey(std::optional<char32_t> key) override { access_key_ = key; }

  // The retained image, for tests and the render tool.
  [[nodiscard]] HDC ImageDc() const { return image_dc_.Get(); }

 private:
  explicit CommandWindow(CommandHost& host);
  friend DWORD RegisterCommandClass(HINSTANCE instance);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnWindowGone() override;
  void OnCreate();
  void OnSize();
  void OnPaint();
  void OnButtonDown(std::int16_t button, WPARAM wp, LPARAM lp);
  void OnButtonUp(std::int16_t button, WPARAM wp, LPARAM lp);
  void OnDoubleClick();
  bool OnAccessKeyQuery(wchar_t ch);
  void ReleaseSurface();

  Command command_;
  bool loaded_ = false;
  bool timer_on_ = false;
  bool click_armed_ = false;  // a primary press began here and no double click replaced it
  std::optional<char32_t> access_key_;
  qm::win32::UniqueMemoryDc image_dc_;
  qm::win32::UniqueBitmap image_;
  qm::win32::Selection image_selection_;
  qm::win32::UniqueFont font_;
  qm::win32::Selection font_selection_;
  std::unique_ptr<GdiCanvas> canvas_;
  std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};

// Offers an access key (the character typed with Alt) to the buttons that
// are children of `parent`; the first enabled one whose key matches clicks.
// Hosts call it from their own WM_SYSCHAR; a focused button does it itself.
bool DispatchAccessKey(HWND parent, wchar_t ch);

}  // namespace qm::button::win32
