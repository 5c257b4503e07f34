#include "app/form_scanner.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "shell/services.h"
#include "shell/window_factory.h"

namespace qm::app {

using shell::FormKind;
using shell::TwipsRect;
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDarkGrey = RGB(64, 64, 64);

struct Category {
  const char* caption;
  TwipsRect place;
  COLORREF text;
  COLORREF back;
};

// Check1 to Check15. Check6 lies beyond the right edge of the window: only
// the keyboard reaches it.
const Category kCategories[FormScanner::kCategoryCount] = {
    {"Activex控件,桌面应用程序集成、组件对象模型入口", {3840, 3000, 3015, 375}, kDarkGrey, kWhite},
    {"共享程序", {3840, 3480, 2655, 255}, kDarkGrey, kWhite},
    {"系统开机自启动项目", {3840, 3840, 2535, 255}, kDarkGrey, kWhite},
    {"系统软件设备文件", {3840, 4200, 2895, 255}, kDarkGrey, kWhite},
    {"应用程序路径", {3840, 4560, 2775, 255}, kDarkGrey, kWhite},
    {"Check6", {20000, 6840, 735, 255}, CLR_INVALID, CLR_INVALID},
    {"文件关联", {3840, 4920, 2655, 255}, CLR_INVALID, kWhite},
    {"声音和应用程序事件", {3840, 5280, 2655, 255}, CLR_INVALID, kWhite},
    {"缓存和历史记录文件", {7200, 3000, 2535, 375}, CLR_INVALID, kWhite},
    {"空的注册表键值", {7200, 3480, 2535, 255}, CLR_INVALID, kWhite},
    {"系统服务项目", {7200, 3840, 3375, 255}, CLR_INVALID, kWhite},
    {"文件扩展服务项目", {7200, 4200, 3495, 255}, CLR_INVALID, kWhite},
    {"Windows字体文件", {7200, 4560, 3375, 255}, CLR_INVALID, kWhite},
    {"无效的快捷方式和目录", {7200, 4920, 3495, 255}, CLR_INVALID, kWhite},
    {"已过期应用程序", {7200, 5280, 3375, 255}, CLR_INVALID, kWhite},
};

// Rows that fit no box are listed with any choice: the user should not
// take a cleared box for a scan that lists nothing else.
constexpr wchar_t kOtherTip[] = L"勾选任意一项时，不属于以上任何类别的错误（其他）也会列出。";

void SetChecked(HWND box, bool on) {
  SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

FormScanner::FormScanner()
    : NavigationForm(FormKind::Scanner, L"Quillmar.FormScanner", L"\\bgmain.dll",
                     shell::ChromeButton::Scanner, "扫描和修复") {}

bool FormScanner::LoadContents() {
  AddLabel({.name = "Label2",
            .twips = {3840, 2400, 1620, 180},
            .text = "扫描以下系统错误：",
            .color = kWhite,
            .autosize = true});

  // Keyboard order is creation order: Check6 first, then Check1 to Check15.
  auto add_box = [this](int n) {
    const Category& c = kCategories[n - 1];
    checks_[n - 1] = AddCheckBox({.name = "Check" + std::to_string(n),
                                  .twips = c.place,
                                  .text = c.caption,
                                  .text_color = c.text,
                                  .back_color = c.back});
  };
  add_box(6);
  for (int n = 1; n <= kCategoryCount; ++n) {
    if (n != 6) add_box(n);
  }

  LabelSelectAll_ = &AddLabel({.name = "LabelSelectAll",
                               .twips = {9600, 6000, 390, 180},
                               .text = "全选",
                               .color = kDarkGrey,
                               .font = {.bold = true},
                               .autosize = true});
  LabelSelectAll_->Click = [this] { LabelSelectAll_Click(); };
  LabelSelectAll_->MouseMove = [this](int, int, int) { LabelSelectAll_MouseMove(); };

  if (auto* scan_now = AddCommand({.name = "CommandScanNow", .twips = {8880, 6600, 1815, 495}})) {
    scan_now->Events().Click = Handler([this] { CommandScanNow_Click(); });
  }

  for (int n = 1; n <= kCategoryCount; ++n) SetChecked(Check(n), true);
  AddCategoryTip();
  ad_.Create(*this, {3360, 8040, 6960, 180}, shell::kMainAdIntervalMs);

  SetFocusedChild(Check(6));
  return true;
}

void FormScanner::AddCategoryTip() {
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleW(nullptr),
                         nullptr);
  if (tip_ == nullptr) return;  // the window works on without its tip
  for (const HWND box : checks_) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(box);
    tool.lpszText = const_cast<wchar_t*>(kOtherTip);
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void FormScanner::OnBackgroundMove() {
  NavigationForm::OnBackgroundMove();
  SetUnderline(*LabelSelectAll_, false);
  ad_.ClearUnderline();
}

void FormScanner::CommandScanNow_Click() {
  std::uint32_t boxes = 0;
  for (int n = 1; n <= kCategoryCount; ++n) {
    if (SendMessageW(Check(n), BM_GETCHECK, 0, 0) == BST_CHECKED) boxes |= 1u << n;
  }
  if (boxes == 0) {
    shell::ShowMessage(Handle(), "必须至少选择一个扫描项目。", kMessageExclamation);
    return;
  }
  shell::ShowScanWindow(Handle(), boxes);
}

void FormScanner::LabelSelectAll_Click() {
  for (int n = 1; n <= kCategoryCount; ++n) SetChecked(Check(n), true);
}

void FormScanner::LabelSelectAll_MouseMove() {
  SetUnderline(*LabelSelectAll_, true);
}

}  // namespace qm::app
