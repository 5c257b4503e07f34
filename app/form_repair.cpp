#include "app/form_repair.h"

#include <optional>
#include <string>
#include <utility>

#include "app/system_services.h"
#include "platform/text.h"
#include "platform/win32/snapshot_registry.h"
#include "profile/profile_store.h"
#include "scan/rules.h"
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

}  // namespace

FormRepair::FormRepair()
    : ChromeForm(shell::FormKind::Repair, L"Quillmar.FormRepair", ChromeForm::ScanWindowLayout()),
      system_(std::make_unique<SystemServices>()),
      snapshot_(std::make_unique<win32::SnapshotRegistry>()),
      registry_(snapshot_.get()),
      fs_(&system_->fs),
      pacer_(kYieldPacing, kRowPacing, [this] { FlushRows(); }),
      tip_(*this,
           [this](int row) -> std::optional<std::string> {
             if (session_ == nullptr || static_cast<std::size_t>(row) >= session_->Rows().Count()) {
               return std::nullopt;
             }
             return text::DisplayUtf8(RowTipText(session_->Rows().Rows()[row]));
           }),
      menu_(*system_, *this, [this](const ScanRowMenu::RowFilter& gone) { RemoveRows(gone); }) {}

FormRepair::FormRepair(RegistryReader& registry, FileSystem& fs) : FormRepair() {
  snapshot_.reset();
  registry_ = &registry;
  fs_ = &fs;
}

FormRepair::~FormRepair() = default;

bool FormRepair::OnLoad() {
  if (!SetUpChrome()) return false;
  menu_.ReloadIgnoreList();
  session_ = std::make_unique<ScanSession>(
      *registry_, *fs_, static_cast<ScanView&>(*this), static_cast<ScanServices&>(*this),
      [this](std::string_view root, std::string_view key, std::string_view name) {
        return menu_.Ignores(root, key, name);
      },
      &system_->environment);
  session_->SetCategories(categories_);
  rows_.Bind(*session_, *this, lvwRegErrors_, Handle());
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
          {{"错误", 1500}, {"根建", 2200}, {"键名", 2700}, {"键值", 3000}, {"类别", 1400}},
          GetFont(kSong9))) {
    auto& events = lvwRegErrors_.Events();
    events.row_focused = [this](int row) { tip_.ShowBelowRow(row); };
    events.focus_lost = [this] { tip_.FocusLost(); };
    events.context_menu = [this](int row, POINT at) {
      tip_.Hide();
      menu_.Open(Handle(), session_->Rows(), static_cast<std::size_t>(row), at, rows_.Repairing());
    };
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

void FormRepair::RemoveRows(const ScanRowMenu::RowFilter& gone) {
  FlushRows();
  tip_.Hide();
  rows_.RemoveIf(gone);
  SyncListToRows();
  SetFoundCount(std::to_string(session_->Rows().Count()));
  if (session_->Rows().Count() == 0) EnableRepair(false);
}

void FormRepair::ScanStarting() {
  menu_.ReloadIgnoreList();
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
  if (rows_.Repairing()) return;
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
  if (rows_.Repairing()) return;
  if (session_->RequestClose() == ScanSession::CloseAnswer::kClose) Unload();
}

void FormRepair::CommandRepair_Click() {
  if (session_->Walking() || rows_.Repairing()) return;
  rows_.Repair(*system_);
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
  rows_.ClearColours();
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
  rows_.TrimColours();
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
