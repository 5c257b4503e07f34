// Form: the base of every window of the program. A form is a frameless,
// fixed-size window (client 786 x 557, caption "Quillmar", the application
// icon, its own task-bar button unless it has an owner) whose background is
// a skin picture, with windowless labels and pictures drawn over it
// (double-buffered, so changing captions never flicker) and real child
// windows for check boxes, list views and skinned buttons.
//
// Building a window on it (most windows derive from ChromeForm or
// NavigationForm, which add the shared chrome):
//   class FormX final : public NavigationForm {
//     bool LoadContents() override {          // the window's own load steps
//       labelFoo_ = &AddLabel({.name = "LabelFoo", .twips = {...}, .text = "...",
//                              .color = RGB(...), .autosize = true});
//       labelFoo_->Click = [this] { LabelFoo_Click(); };
//       HWND box = AddCheckBox({.name = "Check1", .twips = {...}, .text = "..."});
//       HWND list = AddChild("lvwX", WC_LISTVIEWW, LVS_REPORT, 0, {...});
//       // A button of the instance table (button/instances.cpp), which
//       // holds its caption, font and other stored values:
//       auto* cmd = AddCommand({.name = "CommandGo", .twips = {...}});
//       cmd->Events().Click = Handler([this] { CommandGo_Click(); });
//       StartTimer(kTimerFoo, 1000, [this] { TimerFoo_Timer(); });
//       return true;
//     }
//   };
//   Form* f = LoadForm(std::make_unique<FormX>());       // created hidden, loaded
//   f->Show();                                           // or, with an owner:
//   Form* d = LoadForm(std::make_unique<FormY>(), owner_hwnd);
//   d->CentreOver(owner_hwnd); d->ShowModal();           // returns once unloaded
//
// Skins: LoadSkin("\bgmain.dll") (ChromeForm does it) reads the picture
// from the program's folder at each load; a missing or unreadable file is
// reported through ShowMessage with its path and fails the load. The kit
// never ends the program: a failed load leaves TakeLoadFailure() set, and
// the program decides.
// Messages: every message box goes through ShowMessage (services.h), which
// tests replace. Long work yields with DoEvents(). Child notifications
// (a list view's custom draw) arrive in OnChildMessage. Alt with a letter
// reaches the skinned button whose access key it is, wherever the focus is.
// Nothing a handler throws leaves the window procedure (window_base.h).
//
// Lifetime: LoadForm hands the form to the registry of loaded forms, which
// owns it until its window is destroyed (Unload). The object itself is
// deleted only when no window handler is running any more, so a handler
// may unload its own window (navigation does) and still return normally;
// it must not touch the window after that.
//
// Events of labels and pictures come from the form's own mouse messages:
// the element under the pointer gets them (the last added lies on top);
// while a mouse button is held, the element it was pressed on keeps
// getting them wherever the pointer goes. A move over no element is a move
// over the bare background (OnBackgroundMove).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "button/button_types.h"
#include "button/win32/command_window.h"
#include "platform/win32/gdi_handles.h"
#include "platform/win32/window_base.h"
#include "shell/form_kind.h"
#include "shell/twips.h"

namespace qm::shell {

// Mouse buttons as events carry them: the button control's numbers.
using button::kLeftButton;
using button::kMiddleButton;
using button::kRightButton;

class Form;

struct FontDesc {
  std::string face = "宋体";
  double points = 9.0;
  bool bold = false;
  bool underline = false;
  friend auto operator<=>(const FontDesc&, const FontDesc&) = default;
};

// A windowless element drawn by its form.
class Element {
 public:
  virtual ~Element() = default;
  // Draws the element at `rect` on `dc` (the form's back buffer).
  virtual void Paint(HDC dc, Form& form) const = 0;
  std::string name;
  PixelRect rect;
  bool visible = true;
  // Pointer events (button as above, x and y in the form's client pixels).
  std::function<void(int button, int x, int y)> MouseDown;
  std::function<void(int button, int x, int y)> MouseUp;
  std::function<void(int buttons_held, int x, int y)> MouseMove;
  // A left-button press and release both on this element.
  std::function<void()> Click;
  bool hand_cursor = false;
};

struct LabelSpec {
  std::string name;
  TwipsRect twips;  // with autosize only Left and Top count
  std::string text;
  COLORREF color = RGB(0, 0, 0);
  FontDesc font;
  bool autosize = false;
  bool visible = true;
  bool hand_cursor = false;
  // Several lines within the rectangle: broken at its line ends and words.
  bool wrap = false;
};

class Label final : public Element {
 public:
  void Paint(HDC dc, Form& form) const override;
  [[nodiscard]] const std::string& Caption() const { return caption_; }
  [[nodiscard]] bool Underlined() const { return font_.underline; }
  [[nodiscard]] COLORREF Color() const { return color_; }

 private:
  friend class Form;
  std::string caption_;
  COLORREF color_ = 0;
  FontDesc font_;
  bool autosize_ = false;
  bool wrap_ = false;
};

// One picture, or a picture button's stack of three: `frame` is the one shown.
class Image final : public Element {
 public:
  void Paint(HDC dc, Form& form) const override;
  [[nodiscard]] int Frame() const { return frame_; }

 private:
  friend class Form;
  std::vector<HBITMAP> frames_;  // owned by the form
  int frame_ = 0;
};

struct CheckBoxSpec {
  std::string name;
  TwipsRect twips;
  std::string text;
  COLORREF text_color = CLR_INVALID;  // CLR_INVALID: the system's button text
  COLORREF back_color = CLR_INVALID;  // CLR_INVALID: the system's button face
  FontDesc font;
};

// A skinned button: one of the program's instances (button/instances.h),
// which gives its caption, font and every other stored value.
struct CommandSpec {
  std::string name;
  TwipsRect twips;
};

class Form : private win32::WindowBase {
 public:
  Form(FormKind kind, const wchar_t* class_name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  [[nodiscard]] FormKind Kind() const { return kind_; }
  // The window; it stays set (and invalid) once the window is destroyed.
  [[nodiscard]] HWND Handle() const { return hwnd_; }

  // Screen position of the window (its client area; there is no frame).
  [[nodiscard]] int Left() const;
  [[nodiscard]] int Top() const;
  void SetLeft(int x);
  void SetTop(int y);
  void CentreOnScreen();
  void CentreOver(HWND owner);

  void Show();
  // Gives `child` the keyboard focus, also when the window is activated later.
  void SetFocusedChild(HWND child);
  // Shows the window modally over `owner` (the form must have been loaded
  // with that owner) and returns when the window has been unloaded.
  void ShowModal();
  // Destroys the window; the form is deleted once no handler runs.
  void Unload();

  // Element lookup by name (tests and layouts); nullptr when absent.
  [[nodiscard]] Element* FindElement(std::string_view name) const;
  [[nodiscard]] HWND FindChild(std::string_view name) const;
  [[nodiscard]] button::win32::CommandWindow* FindCommand(std::string_view name) const;

  // Wraps a handler that a child control calls from its own window
  // procedure, so that unloading a form inside it is safe.
  [[nodiscard]] static std::function<void()> Handler(std::function<void()> f);

 protected:
  // The window's load steps; false when loading failed (the failure has
  // already been reported). Runs with the window created but hidden.
  [[nodiscard]] virtual bool OnLoad() = 0;
  // A pointer move over the bare background.
  virtual void OnBackgroundMove() {}
  // The system asks the window to close (Alt+F4, the task bar). Default:
  // refuse. Navigation windows end the program.
  virtual void OnCloseRequest() {}
  // Notifications of child controls (WM_NOTIFY, WM_COMMAND, WM_DRAWITEM,
  // WM_MEASUREITEM, and a child's WM_CONTEXTMENU), e.g. a list view's custom draw. Return true and
  // set `result` to answer one; false lets the system handle it.
  virtual bool OnChildMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
    return false;
  }

 public:
  // Building and changing the window's content (load steps and handlers).

  // Loads the skin picture `file_name` ("\bgmain.dll") from the program's
  // folder. On failure reports a message naming the file and returns false.
  [[nodiscard]] bool LoadSkin(std::wstring_view file_name);
  // A picture from the program's resources; nullptr (reported) on failure.
  [[nodiscard]] HBITMAP LoadPicture(int resource_id);

  Label& AddLabel(const LabelSpec& desc);
  Image& AddImage(std::string_view name, PixelRect rect, std::vector<HBITMAP> frames);
  // Child controls, created in keyboard order (the order of the calls).
  HWND AddCheckBox(const CheckBoxSpec& desc);
  // Null (nothing made) for a name that is no program instance.
  button::win32::CommandWindow* AddCommand(const CommandSpec& desc);
  // Any other child window (a list view): created with `style` | WS_CHILD | WS_VISIBLE.
  HWND AddChild(std::string_view name, const wchar_t* window_class, DWORD style, DWORD ex_style,
                TwipsRect twips);

  // Label and picture changes repaint just their area.
  void SetCaption(Label& label, std::string_view text);
  void SetVisible(Element& e, bool visible);
  void SetUnderline(Label& label, bool underline);
  void SetFrame(Image& image, int frame);

  [[nodiscard]] HFONT GetFont(const FontDesc& font);

  // Timers of this window. Starting a running timer restarts it.
  void StartTimer(UINT_PTR id, UINT interval_ms, std::function<void()> tick);
  void StopTimer(UINT_PTR id);
  [[nodiscard]] bool TimerRunning(UINT_PTR id) const { return timers_.count(id) != 0; }

 private:
  friend Form* LoadForm(std::unique_ptr<Form> form, HWND owner);
  [[nodiscard]] DWORD CreateHidden(HWND owner);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnWindowGone() override;
  void Paint();
  void Draw(HDC dc, const RECT& area);
  void Invalidate(const PixelRect& r);
  void MeasureLabel(Label& label);
  [[nodiscard]] Element* HitTest(int x, int y) const;
  void OnMouseMove(WPARAM wp, LPARAM lp);
  void OnButtonDown(int button, LPARAM lp);
  void OnButtonUp(int button, LPARAM lp);
  LRESULT OnCtlColor(HDC dc, HWND child);

  struct ChildLook {
    COLORREF text = CLR_INVALID;
    COLORREF back = CLR_INVALID;
  };
  struct CommandHostImpl;

  FormKind kind_;
  const wchar_t* class_name_;
  HWND modal_owner_ = nullptr;
  HWND focus_child_ = nullptr;
  bool destroyed_ = false;
  win32::UniqueBitmap skin_;
  std::vector<win32::UniqueBitmap> pictures_;
  std::vector<std::unique_ptr<Element>> elements_;
  std::map<std::string, HWND, std::less<>> children_;
  std::map<HWND, ChildLook> child_looks_;
  std::vector<std::unique_ptr<CommandHostImpl>> command_hosts_;
  std::vector<std::unique_ptr<button::win32::CommandWindow>> commands_;
  std::map<FontDesc, win32::UniqueFont> fonts_;
  std::map<COLORREF, win32::UniqueBrush> brushes_;
  std::map<UINT_PTR, std::function<void()>> timers_;
  // Pointer state: the element a held button was pressed on, the buttons
  // held, and the element a left press began on (for Click).
  Element* captured_ = nullptr;
  int buttons_held_ = 0;
  Element* left_pressed_ = nullptr;
  POINT last_move_{-1, -1};
  win32::UniqueMemoryDc back_dc_;
  win32::UniqueBitmap back_bitmap_;
  win32::Selection back_selection_;
};

// Creates `form`'s window (hidden, owned by `owner` when given) and runs its
// load steps. Returns the loaded form, now owned by the registry of loaded
// forms, or nullptr when loading failed: the failure has then been reported,
// the half-loaded window is gone and TakeLoadFailure() is set.
Form* LoadForm(std::unique_ptr<Form> form, HWND owner = nullptr);

// Whether a window failed to load since the last call, which clears it. The
// program checks it after each message and ends: a navigation or a scan
// window that cannot be shown leaves it no sound state to go on from.
[[nodiscard]] bool TakeLoadFailure();

// The loaded form of a kind, or nullptr.
[[nodiscard]] Form* LoadedForm(FormKind kind);
[[nodiscard]] int LoadedFormCount();
// The form a window belongs to, or nullptr.
[[nodiscard]] Form* FormFromHandle(HWND hwnd);

// Processes one message: keyboard navigation among a form's child
// controls (Tab, Space on a check box), then translation and dispatch.
void DispatchFormMessage(MSG& msg);
// Processes every pending message of this thread, then returns: the yield
// of long work. Returns false when WM_QUIT arrived (it is posted again).
bool DoEvents();

}  // namespace qm::shell
