// Form: the real child windows (check boxes, skinned buttons, list views)
// and the colours they ask their parent for.
// clang-format off
#include <windows.h>
#include <uxtheme.h>
// clang-format on

#include <memory>
#include <string>
#include <utility>

#include "button/instances.h"
#include "button/property_store.h"
#include "platform/win32/wide.h"
#include "shell/form.h"
#include "shell/form_internals.h"

namespace qm::shell {

HWND Form::AddCheckBox(const CheckBoxSpec& desc) {
  const PixelRect r = ToPixels(desc.twips);
  const HWND box = CreateWindowExW(
      0, L"BUTTON", win32::Widen(desc.text).c_str(),
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE | BS_VCENTER, r.left,
      r.top, r.width, r.height, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (box == nullptr) return nullptr;
  // Visual styles would draw the caption in the theme's colour; the layout
  // gives each box its own text colour, so the boxes keep the classic look.
  SetWindowTheme(box, L"", L"");
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(desc.font)), FALSE);
  children_[desc.name] = box;
  child_looks_[box] = ChildLook{desc.text_color, desc.back_color};
  return box;
}

button::win32::CommandWindow* Form::AddCommand(const CommandSpec& desc) {
  const button::ProgramInstance* instance = button::FindProgramInstance(desc.name);
  if (instance == nullptr) return nullptr;
  auto host = std::make_unique<CommandHostImpl>();
  host->name = desc.name;
  host->font = button::FontSpec{"宋体", 9.0, 400};
  const button::MemoryPropertyStore layout = button::InstanceLayout(*instance);
  const PixelRect r = ToPixels(desc.twips);
  std::unique_ptr<button::win32::CommandWindow> command;
  const DWORD error = button::win32::CommandWindow::Create(
      hwnd_, static_cast<int>(1000 + commands_.size()), ToRect(r), *host, layout, command);
  if (error != 0 || !command) return nullptr;
  children_[desc.name] = command->Handle();
  command_hosts_.push_back(std::move(host));
  commands_.push_back(std::move(command));
  return commands_.back().get();
}

HWND Form::AddChild(std::string_view name, const wchar_t* window_class, DWORD style, DWORD ex_style,
                    TwipsRect twips) {
  const PixelRect r = ToPixels(twips);
  const HWND child =
      CreateWindowExW(ex_style, window_class, L"", style | WS_CHILD | WS_VISIBLE, r.left, r.top,
                      r.width, r.height, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (child != nullptr) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(FontDesc{})), FALSE);
    children_[std::string(name)] = child;
  }
  return child;
}

HWND Form::FindChild(std::string_view name) const {
  auto it = children_.find(name);
  return it == children_.end() ? nullptr : it->second;
}

button::win32::CommandWindow* Form::FindCommand(std::string_view name) const {
  const HWND hwnd = FindChild(name);
  for (const auto& command : commands_) {
    if (hwnd != nullptr && command->Handle() == hwnd) return command.get();
  }
  return nullptr;
}

LRESULT Form::OnCtlColor(HDC dc, HWND child) {
  auto it = child_looks_.find(child);
  if (it == child_looks_.end()) return 0;
  const COLORREF text =
      it->second.text != CLR_INVALID ? it->second.text : GetSysColor(COLOR_BTNTEXT);
  const COLORREF back =
      it->second.back != CLR_INVALID ? it->second.back : GetSysColor(COLOR_BTNFACE);
  ::SetTextColor(dc, text);
  SetBkColor(dc, back);
  auto brush = brushes_.find(back);
  if (brush == brushes_.end()) {
    brush = brushes_.emplace(back, win32::UniqueBrush(CreateSolidBrush(back))).first;
  }
  return reinterpret_cast<LRESULT>(brush->second.Get());
}

}  // namespace qm::shell
