#include "shell/row_tip.h"

#include <commctrl.h>

#include "platform/win32/wide.h"

namespace qm::shell {
namespace {

constexpr int kTipWidthPixels = 640;

TTTOOLINFOW TipTool(HWND owner) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  // Transparent to the pointer: a click on the tip reaches what lies under
  // it, such as a button below the list.
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
  tool.hwnd = owner;
  tool.uId = 1;
  return tool;
}

}  // namespace

void RowTip::Create(HWND list, HFONT font) {
  list_ = list;
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, form_.Handle(), nullptr,
                         GetModuleHandleW(nullptr), nullptr);
  if (tip_ == nullptr) return;
  TTTOOLINFOW tool = TipTool(form_.Handle());
  wchar_t empty[] = L"";
  tool.lpszText = empty;
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // A maximum width makes the tip wrap long paths and keep its line breaks.
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, kTipWidthPixels);
  SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

std::string RowTip::Text() const {
  if (tip_ == nullptr) return {};
  std::wstring buf(8192, L'\0');
  TTTOOLINFOW tool = TipTool(form_.Handle());
  tool.lpszText = buf.data();
  SendMessageW(tip_, TTM_GETTEXTW, buf.size(), reinterpret_cast<LPARAM>(&tool));
  return win32::Narrow(std::wstring_view(buf.c_str()));
}

bool RowTip::Shown() const {
  return tip_ != nullptr && IsWindowVisible(tip_) != FALSE;
}

void RowTip::Show(int row, POINT screen) {
  if (tip_ == nullptr || row < 0) return;
  const std::optional<std::string> utf8 = text_(row);
  if (!utf8) return;
  std::wstring text = win32::Widen(*utf8);
  TTTOOLINFOW tool = TipTool(form_.Handle());
  tool.lpszText = text.data();
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  row_ = row;
}

void RowTip::Hide() {
  if (tip_ == nullptr || row_ < 0) return;
  TTTOOLINFOW tool = TipTool(form_.Handle());
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  row_ = -1;
}

void RowTip::ShowBelowRow(int row) {
  if (GetFocus() != list_ || row < 0) return;
  RECT box{};
  ListView_GetItemRect(list_, row, &box, LVIR_BOUNDS);
  POINT below{box.left + 24, box.bottom + 2};
  ClientToScreen(list_, &below);
  by_pointer_ = false;
  Show(row, below);
}

void RowTip::FocusLost() {
  if (!by_pointer_) Hide();
}

// The list view of this system sends no hover notice without hot tracking,
// and watching the list's mouse messages would add to every one of them:
// the pointer is looked at a few times a second instead.
void RowTip::Tick() {
  POINT at{};
  if (!GetCursorPos(&at) || list_ == nullptr) return;
  int row = -1;
  if (WindowFromPoint(at) == list_ && GetForegroundWindow() == form_.Handle()) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(list_, &hit.pt);
    row = ListView_HitTest(list_, &hit);
  }
  if (row < 0) {
    if (by_pointer_) Hide();
    return;
  }
  if (row == row_ && by_pointer_) return;
  by_pointer_ = true;
  Show(row, {at.x + 12, at.y + 20});
}

}  // namespace qm::shell
