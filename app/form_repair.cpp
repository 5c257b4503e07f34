#include "app/form_repair.h"

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
    form_.lvwRegErrors_.RedrawRow(index);
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
      fs_(&system_->fs),
      pacer_(kYieldPacing, kRowPacing, [this] { FlushRows(); }),
      tip_(*this, [this](int row) -> std::optional<std::string> {
        if (session_ == nullptr || static_cast<std::size_t>(row) >= session_->Rows().Count()) {
          return std::nullopt;
        }
        return text::DisplayUtf8(RowTipText(session_->Rows().Rows()[row]));
      }) {}

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
  session_->SetCategories(categories_);
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
  if (lvwRegErrors_.Create(
          *this, "lvwRegErrors", {240, 2160, 11295, 4780},
          {{"错误", 1600}, {"根建", 1900}, {"键名", 3000}, {"键值", 3300}, {"类别", 1300}},
          GetFont(kSong9))) {
    auto& events = lvwRegErrors_.Events();
    events.row_focused = [this](int row) { tip_.ShowBelowRow(row); };
    events.focus_lost = [this] { tip_.FocusLost(); };
    events.context_menu = [this](int row, POINT at) { ShowRowMenu(row, at); };
    tip_.Create(lvwRegErrors_.Handle(), GetFont(kSong9));
  }

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
  StartTimer(kTimerRowTip, shell::RowTip::kIntervalMs, [this] { tip_.Tick(); });
  return true;
}

bool FormRepair::OnChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  return lvwRegErrors_.OnParentMessage(msg, wp, lp, result);
}

std::size_t FormRepair::Count() const {
  return session_ == nullptr ? 0 : session_->Rows().Count();
}

std::string_view FormRepair::Cell(std::size_t row, int column) const {
  const RegErrorRow& r = session_->Rows().Rows()[row];
  const std::string_view cells[] = {KindCellText(r), r.root, r.key, r.value,
                                    NameOf(r.category).label};
  return column >= 0 && column < static_cast<int>(std::size(cells)) ? cells[column]
                                                                    : std::string_view();
}

bool FormRepair::Checked(std::size_t row) const {
  return session_->Rows().Rows()[row].checked;
}

void FormRepair::SetChecked(std::size_t row, bool on) {
  session_->UserChecked(row, on);
}

COLORREF FormRepair::MarkColour(std::size_t row) const {
  // A system setting's mark stands out until a repair colours the row.
  return row < row_colours_.size()                     ? row_colours_[row]
         : session_->Rows().Rows()[row].system_setting ? kSystemSettingColour
                                                       : GetSysColor(COLOR_WINDOWTEXT);
}

void FormRepair::ShowRowMenu(int row, POINT at) {
  tip_.Hide();
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
  tip_.Hide();
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

void FormRepair::OnBackgroundMove() {
  ChromeForm::OnBackgroundMove();
  ad_.ClearUnderline();
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
  tip_.Hide();
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
  if (session_ == nullptr) return;
  const std::size_t count = session_->Rows().Count();
  if (row_colours_.size() > count) row_colours_.resize(count);
  lvwRegErrors_.Sync();
}

void FormRepair::RowsChecked() {
  FlushRows();
  // The marks are the model's, already set: the list only shows them anew.
  lvwRegErrors_.RedrawAll();
}

void FormRepair::YieldToEvents() {
  // A quit request during the walk ends the scan: nothing may keep the
  // process alive once it is asked to end.
  if (!pacer_.Pace()) session_->Stop();
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
