#include "app/form_repair.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "app/system_services.h"
#include "platform/text.h"
#include "platform/win32/clipboard.h"
#include "platform/win32/handles.h"
#include "platform/win32/snapshot_registry.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "repair/repair_run.h"
#include "repair/win32/registry_editor_process.h"
#include "scan/rules.h"
#include "scan/system_settings.h"
#include "shell/report_list.h"
#include "shell/services.h"

namespace qm::app {

using shell::FontDesc;
using shell::TwipsRect;

namespace {

// How often the window looks at its messages while the walk runs, and how
// often it lists the rows found since the last time: every listing repaints
// the list, which under Wine costs milliseconds however few rows it adds.
constexpr auto kYieldPacing = std::chrono::milliseconds(10);
constexpr auto kRowPacing = std::chrono::milliseconds(250);
constexpr const char* kReadingSnapshot = "正在读取注册表快照…";
const FontDesc kSong9{"宋体", 9.0, false};
const FontDesc kSong9Bold{"宋体", 9.0, true};
const FontDesc kVerdanaBig{"Verdana", 14.25, true};

COLORREF ToColorRef(RowColour c) {
  return RGB(c.red, c.green, c.blue);
}

// Dark orange: the system's own settings, listed but not ticked.
constexpr COLORREF kSystemSettingColour = RGB(204, 102, 0);

constexpr UINT kRowTipMs = 100;
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

std::string IgnoreFailureText(IgnoreStatus status, const std::string& path) {
  switch (status) {
    case IgnoreStatus::kUnwritableName:
      return "无法忽略此项：其键名含有忽略列表无法保存的字符。";
    case IgnoreStatus::kReadFailed:
      return "无法读取忽略列表：" + path;
    default:
      return "无法保存忽略列表：" + path;
  }
}

}  // namespace

class FormRepair::RepairViewImpl final : public RepairView, public MessageService {
 public:
  explicit RepairViewImpl(FormRepair& form) : form_(form) {}
  void SetStatusText(std::string_view text) override { form_.SetCurrentKey(std::string(text)); }
  void SetRepairCount(std::string_view text) override { form_.SetRepairCount(std::string(text)); }
  void MarkRow(std::size_t index, std::string_view text, RowColour colour) override {
    auto& rows = form_.session_->Rows().Rows();
    if (index < rows.size()) rows[index].kind = std::string(text);
    ColourRow(index, colour);
  }
  void ColourRow(std::size_t index, RowColour colour) override {
    if (index < form_.row_colours_.size()) form_.row_colours_[index] = ToColorRef(colour);
    ListView_RedrawItems(form_.lvwRegErrors_, static_cast<int>(index), static_cast<int>(index));
  }
  void Show(std::string_view text, int style) override {
    shell::ShowMessage(form_.Handle(), text, static_cast<UINT>(style));
  }

 private:
  FormRepair& form_;
};

FormRepair::FormRepair()
    : ChromeForm(shell::FormKind::Repair, L"Quillmar.FormRepair", ChromeForm::ScanWindowLayout()),
      system_(std::make_unique<SystemServices>()),
      snapshot_(std::make_unique<win32::SnapshotRegistry>()),
      registry_(snapshot_.get()),
      fs_(&system_->fs) {}

FormRepair::FormRepair(RegistryReader& registry, FileSystem& fs) : FormRepair() {
  snapshot_.reset();
  registry_ = &registry;
  fs_ = &fs;
}

FormRepair::~FormRepair() = default;

bool FormRepair::OnLoad() {
  if (!SetUpChrome()) return false;
  ReloadIgnoreList();
  session_ = std::make_unique<ScanSession>(
      *registry_, *fs_, static_cast<ScanView&>(*this), static_cast<ScanServices&>(*this),
      [this](std::string_view root, std::string_view key, std::string_view name) {
        return ignore_.Covers(root, key, name);
      },
      &system_->environment);
  repair_view_ = std::make_unique<RepairViewImpl>(*this);
  if (snapshot_) {
    // A root's snapshot is read on a worker thread while the window goes on
    // answering here; Stop cancels it.
    snapshot_->SetWait([this](RegKey root) {
      if (snapshot_shown_ != root) {
        snapshot_shown_ = root;
        SetCurrentKey(kReadingSnapshot);
      }
      YieldToEvents();
      return session_->Scanning();
    });
  }

  AddLabel(
      {.name = "Label3", .twips = {9480, 840, 780, 180}, .text = "错误量：", .font = kSong9Bold});
  lblStatus_ = &AddLabel({.name = "lblStatus",
                          .twips = {10320, 720, 210, 345},
                          .text = "0",
                          .color = RGB(255, 0, 0),
                          .font = kVerdanaBig,
                          .autosize = true});
  AddLabel(
      {.name = "Label5", .twips = {9480, 1200, 780, 180}, .text = "已修复：", .font = kSong9Bold});
  RepairCount_ = &AddLabel({.name = "RepairCount",
                            .twips = {10320, 1080, 210, 345},
                            .text = "0",
                            .color = RGB(0, 192, 0),
                            .font = kVerdanaBig,
                            .autosize = true});
  AddLabel(
      {.name = "Label4", .twips = {360, 1680, 975, 180}, .text = "正在扫描：", .font = kSong9Bold});
  lblCurrentKey_ = &AddLabel({.name = "lblCurrentKey",
                              .twips = {1440, 1680, 9915, 180},
                              .text = "无",
                              .color = RGB(255, 255, 255),
                              .font = kSong9});

  // Shape1 frames the list; drawn first so the list lies over its inside.
  AddChild("Shape1", L"STATIC", SS_BLACKFRAME, 0, {225, 2145, 11340, 4830});
  CreateList();
  CreateTip();

  const auto command = [this](const char* name, TwipsRect place, void (FormRepair::*handler)()) {
    auto* c = AddCommand({.name = name, .twips = place});
    if (c != nullptr) c->Events().Click = Handler([this, handler] { (this->*handler)(); });
    return c;
  };
  CommandStart_ = command("CommandStart", {360, 7200, 1815, 495}, &FormRepair::CommandStart_Click);
  CommandStop_ = command("CommandStop", {2400, 7200, 1815, 495}, &FormRepair::CommandStop_Click);
  CommandRepair_ =
      command("CommandRepair", {6240, 7200, 2295, 495}, &FormRepair::CommandRepair_Click);
  CommandReturn_ =
      command("CommandReturn", {9960, 7200, 1455, 495}, &FormRepair::CommandReturn_Click);

  session_->Load();
  ad_.Create(*this, {360, 8040, 6540, 180}, shell::kScanAdIntervalMs);
  StartTimer(kTimerRunScan, kTimerRunScanMs, [this] { TimerRunScan_Timer(); });
  StartTimer(kTimerRowTip, kRowTipMs, [this] { RowTip_Timer(); });
  return true;
}

void FormRepair::CreateList() {
  lvwRegErrors_ =
      shell::AddReportList(*this, "lvwRegErrors", {240, 2160, 11295, 4780},
                           {{"错误", 1600}, {"根建", 3000}, {"键名", 3000}, {"键值", 3500}},
                           LVS_EX_CHECKBOXES, LVS_OWNERDATA);
  if (lvwRegErrors_ == nullptr) return;
  SendMessageW(lvwRegErrors_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(kSong9)), FALSE);
  // The check boxes are the rows' marks: with the state image in the
  // callback mask the list asks for it wherever it draws or is asked for a
  // state, from this process or another.
  ListView_SetCallbackMask(lvwRegErrors_, LVIS_STATEIMAGEMASK);
  // A list of owner data does not keep the marks it is told to set, so the
  // request to set one (from a tool or a test driving the window) is caught
  // on its way in. A plain window-procedure subclass: under Wine the one
  // through a window property costs a round trip to the server per message.
  SetWindowLongPtrW(lvwRegErrors_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  list_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      lvwRegErrors_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormRepair::ListProc)));
}

LRESULT CALLBACK FormRepair::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<FormRepair*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->list_proc_ == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == LVM_SETITEMSTATE && lp != 0) {
    const auto& item = *reinterpret_cast<const LVITEMW*>(lp);
    if (item.stateMask & LVIS_STATEIMAGEMASK) {
      self->SetRowsChecked(static_cast<int>(wp), item.state & LVIS_STATEIMAGEMASK);
    }
  }
  return CallWindowProcW(self->list_proc_, hwnd, msg, wp, lp);
}

// The list's notifications are answered in the window's own procedure, not
// through a subclass: under Wine every subclassed message costs a round trip
// to the server, and the list sends several for every row it draws.
bool FormRepair::OnChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (lvwRegErrors_ == nullptr) return false;
  if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == lvwRegErrors_) {
    ShowRowMenu(lp);
    result = 0;
    return true;
  }
  if (msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(lp);
  if (hdr->hwndFrom != lvwRegErrors_) return false;
  result = OnListNotify(*hdr);
  return true;
}

LRESULT FormRepair::OnListNotify(NMHDR& hdr) {
  switch (hdr.code) {
    case NM_CUSTOMDRAW:
      return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(hdr));
    case LVN_GETDISPINFOW:
      AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW&>(hdr).item);
      return 0;
    case LVN_ITEMCHANGED: {
      // A mark set for all rows at once reaches the list's own handling and
      // comes back here; so would a mark the list set itself.
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
      if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_STATEIMAGEMASK)) {
        SetRowsChecked(change.iItem, change.uNewState & LVIS_STATEIMAGEMASK);
      }
      if ((change.uNewState & LVIS_FOCUSED) != 0 && (change.uOldState & LVIS_FOCUSED) == 0) {
        RowFocused(change.iItem);
      }
      return 0;
    }
    case NM_KILLFOCUS:
      if (!tip_by_pointer_) HideTip();
      return 0;
    case NM_CLICK: {
      // The list leaves ticking a check box of owner data to its owner.
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(hdr);
      LVHITTESTINFO hit{};
      hit.pt = click.ptAction;
      if (ListView_SubItemHitTest(lvwRegErrors_, &hit) >= 0 &&
          (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
        ToggleRow(hit.iItem);
      }
      return 0;
    }
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey == VK_SPACE) {
        ToggleRow(ListView_GetNextItem(lvwRegErrors_, -1, LVNI_FOCUSED));
      }
      return 0;
    default:
      return 0;
  }
}

void FormRepair::AnswerDisplayInfo(LVITEMW& item) {
  if (session_ == nullptr || item.iItem < 0) return;
  const auto& rows = session_->Rows().Rows();
  const auto index = static_cast<std::size_t>(item.iItem);
  if (index >= rows.size()) return;
  const RegErrorRow& row = rows[index];
  if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
    const std::string_view cells[] = {KindCellText(row), row.root, row.key, row.value};
    const std::wstring w = item.iSubItem >= 0 && item.iSubItem < 4
                               ? win32::Widen(cells[item.iSubItem])
                               : std::wstring();
    const std::size_t n = std::min(w.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    w.copy(item.pszText, n);
    item.pszText[n] = L'\0';
  }
  if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_STATEIMAGEMASK)) {
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
  }
}

void FormRepair::ToggleRow(int row) {
  const auto& rows = session_->Rows().Rows();
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return;
  SetRowsChecked(row, INDEXTOSTATEIMAGEMASK(rows[static_cast<std::size_t>(row)].checked ? 1 : 2));
}

// Image 1 is the empty box, 2 the ticked one; row -1 stands for every row.
void FormRepair::SetRowsChecked(int row, UINT state_image) {
  if (session_ == nullptr) return;
  const UINT image = state_image >> 12;
  if (image != 1 && image != 2) return;
  const std::size_t count = session_->Rows().Count();
  if (row < 0) {
    for (std::size_t i = 0; i < count; ++i) session_->UserChecked(i, image == 2);
    InvalidateRect(lvwRegErrors_, nullptr, FALSE);
  } else if (static_cast<std::size_t>(row) < count) {
    session_->UserChecked(static_cast<std::size_t>(row), image == 2);
    ListView_RedrawItems(lvwRegErrors_, row, row);
  }
}

// The keyboard reached a row: its tip shows below it.
void FormRepair::RowFocused(int row) {
  if (GetFocus() != lvwRegErrors_ || row < 0) return;
  RECT box{};
  ListView_GetItemRect(lvwRegErrors_, row, &box, LVIR_BOUNDS);
  POINT below{box.left + 24, box.bottom + 2};
  ClientToScreen(lvwRegErrors_, &below);
  tip_by_pointer_ = false;
  ShowTip(row, below);
}

void FormRepair::CreateTip() {
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleW(nullptr),
                         nullptr);
  if (tip_ == nullptr) return;  // the list works without its tips
  TTTOOLINFOW tool = TipTool(Handle());
  wchar_t empty[] = L"";
  tool.lpszText = empty;
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // A maximum width makes the tip wrap long paths and keep its line breaks.
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, kTipWidthPixels);
  SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(kSong9)), FALSE);
}

std::string FormRepair::TipText() const {
  if (tip_ == nullptr) return {};
  std::wstring buf(8192, L'\0');
  TTTOOLINFOW tool = TipTool(Handle());
  tool.lpszText = buf.data();
  SendMessageW(tip_, TTM_GETTEXTW, buf.size(), reinterpret_cast<LPARAM>(&tool));
  return win32::Narrow(std::wstring_view(buf.c_str()));
}

bool FormRepair::TipShown() const {
  return tip_ != nullptr && IsWindowVisible(tip_) != FALSE;
}

void FormRepair::ShowTip(int row, POINT screen) {
  const auto& rows = session_->Rows().Rows();
  if (tip_ == nullptr || row < 0 || static_cast<std::size_t>(row) >= rows.size()) return;
  std::wstring text = win32::Widen(text::DisplayUtf8(RowTipText(rows[row])));
  TTTOOLINFOW tool = TipTool(Handle());
  tool.lpszText = text.data();
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  tip_row_ = row;
}

void FormRepair::HideTip() {
  if (tip_ == nullptr || tip_row_ < 0) return;
  TTTOOLINFOW tool = TipTool(Handle());
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  tip_row_ = -1;
}

// The list view of this system sends no hover notice without hot tracking,
// and a subclass would cost a server round trip per message under Wine: the
// pointer is looked at a few times a second instead.
void FormRepair::RowTip_Timer() {
  POINT at{};
  if (!GetCursorPos(&at) || lvwRegErrors_ == nullptr) return;
  int row = -1;
  if (WindowFromPoint(at) == lvwRegErrors_ && GetForegroundWindow() == Handle()) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(lvwRegErrors_, &hit.pt);
    row = ListView_HitTest(lvwRegErrors_, &hit);
  }
  if (row < 0) {
    if (tip_by_pointer_) HideTip();
    return;
  }
  if (row == tip_row_ && tip_by_pointer_) return;
  tip_by_pointer_ = true;
  ShowTip(row, {at.x + 12, at.y + 20});
}

void FormRepair::ShowRowMenu(LPARAM lp) {
  int row = -1;
  POINT at{};
  if (lp == -1) {
    row = ListView_GetNextItem(lvwRegErrors_, -1, LVNI_SELECTED);
    if (row < 0) row = ListView_GetNextItem(lvwRegErrors_, -1, LVNI_FOCUSED);
    RECT box{};
    if (row >= 0 && ListView_GetItemRect(lvwRegErrors_, row, &box, LVIR_BOUNDS)) {
      at = {box.left + 24, box.bottom};
      ClientToScreen(lvwRegErrors_, &at);
    }
  } else {
    at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    LVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(lvwRegErrors_, &hit.pt);
    row = ListView_HitTest(lvwRegErrors_, &hit);
  }
  if (row < 0 || static_cast<std::size_t>(row) >= session_->Rows().Count()) return;
  HideTip();
  win32::UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuW(menu.Get(), MF_STRING, kMenuCopy, L"复制");
  AppendMenuW(menu.Get(), MF_STRING, kMenuOpenInEditor, L"在注册表编辑器中打开");
  AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
  // A row repaired or skipped is no longer a find to exclude.
  const bool busy = repairing_;
  const UINT ignore_flags = MF_STRING | (busy ? MF_GRAYED : 0);
  AppendMenuW(menu.Get(), ignore_flags, kMenuIgnoreValue, L"忽略此项");
  AppendMenuW(menu.Get(), ignore_flags, kMenuIgnoreKey, L"忽略此键");
  const UINT chosen = menu_chooser_
                          ? menu_chooser_(menu.Get(), at)
                          : static_cast<UINT>(TrackPopupMenu(
                                menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
                                at.y, 0, Handle(), nullptr));
  const auto index = static_cast<std::size_t>(row);
  switch (chosen) {
    case kMenuCopy:
      CopyRow(index);
      break;
    case kMenuOpenInEditor:
      OpenRowInEditor(index);
      break;
    case kMenuIgnoreValue:
    case kMenuIgnoreKey:
      if (!busy) IgnoreRow(index, chosen == kMenuIgnoreKey);
      break;
    default:
      break;
  }
}

void FormRepair::CopyRow(std::size_t row) {
  const std::uint32_t error = win32::PutClipboardText(
      Handle(), text::DisplayUtf8(RowCopyText(session_->Rows().Rows()[row])));
  if (error != 0) {
    ShowMessage("无法复制到剪贴板：错误代码 " + std::to_string(error) + "。", kMessageExclamation);
  }
}

void FormRepair::OpenRowInEditor(std::size_t row) {
  const RegErrorRow& r = session_->Rows().Rows()[row];
  std::uint32_t error = win32::SetRegistryEditorLastKey(r.root, r.key_path);
  if (error == 0) error = editor_starter_ ? editor_starter_() : win32::StartRegistryEditor();
  if (error != 0) {
    ShowMessage("无法在注册表编辑器中打开：" + r.root + "\\" + r.key_path + "\n错误代码 " +
                    std::to_string(error) + "。",
                kMessageExclamation);
  }
}

void FormRepair::ReloadIgnoreList() {
  ignore_ = IgnoreList();
  for (const std::string& path : system_->IgnoreFiles()) {
    IgnoreLoad load = LoadIgnoreList(system_->files, path);
    ignore_.Merge(load.list);
    // Unreadable, the list filters nothing here, and the user is told why
    // rows they excluded are back; the repair run refuses to delete
    // anything until it can be read.
    if (load.status != IgnoreStatus::kOk) {
      ShowMessage("无法读取忽略列表：" + path + "\n错误代码 " + std::to_string(load.error) +
                      "。\n本次扫描不排除任何项目；在能读取该列表之前，修复不会删除任何注册表值。",
                  kMessageExclamation);
    }
  }
}

void FormRepair::ScanStarting() {
  ReloadIgnoreList();
}

void FormRepair::IgnoreRow(std::size_t row, bool whole_key) {
  const RegErrorRow r = session_->Rows().Rows()[row];
  IgnoreEntry entry{r.root, r.key_path, std::nullopt};
  if (!whole_key) entry.value_name = r.value_name;
  const std::string path = system_->IgnoreFile();
  const IgnoreStatus status = AddToIgnoreFile(system_->files, path, entry, &ignore_);
  if (status != IgnoreStatus::kOk && status != IgnoreStatus::kAlreadyListed) {
    ShowMessage(IgnoreFailureText(status, path), kMessageExclamation);
    return;
  }
  RemoveRows(
      [this](const RegErrorRow& x) { return ignore_.Covers(x.root, x.key_path, x.value_name); });
}

void FormRepair::RemoveRows(const std::function<bool(const RegErrorRow&)>& gone) {
  FlushRows();
  HideTip();
  auto& rows = session_->Rows().Rows();
  // The colours go with their rows; the list holds nothing of its own.
  for (std::size_t i = std::min(rows.size(), row_colours_.size()); i-- > 0;) {
    if (gone(rows[i])) row_colours_.erase(row_colours_.begin() + static_cast<long>(i));
  }
  (void)session_->Rows().RemoveIf(gone);
  SyncListToRows();
  SetFoundCount(std::to_string(rows.size()));
  if (rows.empty()) EnableRepair(false);
}

LRESULT FormRepair::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
      // A system setting's mark stands out until a repair colours the row.
      const bool system = session_ != nullptr && row < session_->Rows().Count() &&
                          session_->Rows().Rows()[row].system_setting;
      draw.clrText = draw.iSubItem != 0          ? GetSysColor(COLOR_WINDOWTEXT)
                     : row < row_colours_.size() ? row_colours_[row]
                     : system                    ? kSystemSettingColour
                                                 : GetSysColor(COLOR_WINDOWTEXT);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void FormRepair::OnBackgroundMove() {
  ChromeForm::OnBackgroundMove();
  ad_.ClearUnderline();
}

// What the list shows, asked of the list: it answers from the model.
bool FormRepair::RowChecked(std::size_t row) const {
  return ListView_GetCheckState(lvwRegErrors_, static_cast<int>(row)) != FALSE;
}

void FormRepair::TimerRunScan_Timer() {
  // Off before the scan: the walk yields, and the timer must not tick again.
  StopTimer(kTimerRunScan);
  RunStart();
}

void FormRepair::CommandStart_Click() {
  RunStart();
}

bool FormRepair::TakingSnapshot() const {
  return snapshot_ && snapshot_->Taking();
}

void FormRepair::RunStart() {
  if (repairing_) return;
  // Every scan reads the registry as it is now.
  if (snapshot_ && !session_->Walking()) {
    snapshot_->Reset();
    snapshot_shown_ = kNoKey;
  }
  session_->Start();
  FlushRows();
  if (session_->ClosePending()) Unload();
}

void FormRepair::CommandStop_Click() {
  session_->Stop();
}

void FormRepair::CommandReturn_Click() {
  if (repairing_) return;
  if (session_->RequestClose() == ScanSession::CloseAnswer::kClose) Unload();
}

void FormRepair::CommandRepair_Click() {
  if (session_->Walking() || repairing_) return;
  // The marks the list shows are the rows' own: the run reads them there.
  const auto& rows = session_->Rows().Rows();
  row_colours_.assign(rows.size(), GetSysColor(COLOR_WINDOWTEXT));
  repairing_ = true;
  RepairServices services = system_->Repair(system_->profile, *repair_view_, *repair_view_);
  const RepairReport report = RunRepair(rows, services);
  (void)report;
  repairing_ = false;
}

void FormRepair::SetFoundCount(const std::string& text) {
  // During the walk the count follows the rows: it changes with every row,
  // and measuring the label each time costs a device context.
  if (session_ != nullptr && session_->Walking()) {
    pending_count_ = text;
    return;
  }
  pending_count_.reset();
  SetCaption(*lblStatus_, text);
}
void FormRepair::SetRepairCount(const std::string& text) {
  SetCaption(*RepairCount_, text);
}
void FormRepair::SetCurrentKey(const std::string& text) {
  SetCaption(*lblCurrentKey_, text);
}

void FormRepair::EnableStart(bool on) {
  if (CommandStart_) CommandStart_->Button().SetEnabled(on);
}
void FormRepair::EnableStop(bool on) {
  if (CommandStop_) CommandStop_->Button().SetEnabled(on);
}
void FormRepair::EnableRepair(bool on) {
  if (CommandRepair_) CommandRepair_->Button().SetEnabled(on);
}

void FormRepair::RowsCleared() {
  HideTip();
  rows_pending_ = false;
  row_colours_.clear();
  SyncListToRows();
}

// A row is listed a little later, with the others found meanwhile: the list
// repaints once per batch instead of once per row, which during a scan that
// finds many would cost more than the walk itself.
void FormRepair::RowAdded(const RegErrorRow&) {
  rows_pending_ = true;
}

void FormRepair::FlushRows() {
  if (pending_count_) SetCaption(*lblStatus_, *std::exchange(pending_count_, std::nullopt));
  if (!rows_pending_) return;
  rows_pending_ = false;
  SyncListToRows();
}

void FormRepair::SyncListToRows() {
  if (lvwRegErrors_ == nullptr || session_ == nullptr) return;
  const std::size_t count = session_->Rows().Count();
  if (row_colours_.size() > count) row_colours_.resize(count);
  // Only the rows that came into view are drawn, and the view stays where
  // the user scrolled it; rows that went are drawn over.
  const auto before = static_cast<std::size_t>(ListView_GetItemCount(lvwRegErrors_));
  ListView_SetItemCountEx(lvwRegErrors_, static_cast<int>(count),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  if (count < before) InvalidateRect(lvwRegErrors_, nullptr, TRUE);
}

void FormRepair::RowsChecked() {
  FlushRows();
  // The marks are the model's, already set: the list only shows them anew.
  InvalidateRect(lvwRegErrors_, nullptr, FALSE);
}

void FormRepair::YieldToEvents() {
  // The walk yields at every key, but looking at the message queue is a
  // round trip to the system like a registry call: the window answers every
  // few milliseconds instead, which no user can tell from every key.
  const auto now = std::chrono::steady_clock::now();
  if (now - last_yield_ < kYieldPacing) return;
  last_yield_ = now;
  if (now - last_rows_ >= kRowPacing) {
    last_rows_ = now;
    FlushRows();
  }
  // A quit request during the walk ends the scan: nothing may keep the
  // process alive once it is asked to end.
  if (!shell::DoEvents()) session_->Stop();
  last_yield_ = std::chrono::steady_clock::now();
}

void FormRepair::ShowMessage(const std::string& text, int style) {
  shell::ShowMessage(Handle(), text, static_cast<UINT>(style));
}

void FormRepair::WriteRecord(const std::string& key, const std::string& value) {
  (void)WriteIniValue(system_->profile, system_->ProfileFile(), kRecordsSection, key, value);
}

std::string FormRepair::NowText() {
  return system_->NowText();
}

std::chrono::steady_clock::time_point FormRepair::Now() {
  return std::chrono::steady_clock::now();
}

}  // namespace qm::app
