#include "app/form_repair.h"

#include <commctrl.h>

#include <optional>
#include <utility>

#include "app/system_services.h"
#include "platform/win32/snapshot_registry.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "repair/repair_run.h"
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

}  // namespace

class FormRepair::RepairViewImpl final : public RepairView, public MessageService {
 public:
  explicit RepairViewImpl(FormRepair& form) : form_(form) {}
  void SetStatusText(std::string_view text) override { form_.SetCurrentKey(std::string(text)); }
  void SetRepairCount(std::string_view text) override { form_.SetRepairCount(std::string(text)); }
  void MarkRow(std::size_t index, std::string_view text, RowColour colour) override {
    form_.SetRowText(index, 0, std::string(text));
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
  session_ = std::make_unique<ScanSession>(*registry_, *fs_, static_cast<ScanView&>(*this),
                                           static_cast<ScanServices&>(*this));
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
  return true;
}

void FormRepair::CreateList() {
  lvwRegErrors_ = shell::AddReportList(
      *this, "lvwRegErrors", {240, 2160, 11295, 4780},
      {{"错误", 1600}, {"根建", 3000}, {"键名", 3000}, {"键值", 3500}}, LVS_EX_CHECKBOXES);
  if (lvwRegErrors_ == nullptr) return;
  SendMessageW(lvwRegErrors_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(kSong9)), FALSE);
}

// Row colours come through the list's custom-draw notifications. They are
// answered in the window's own procedure, not through a subclass: under Wine
// every subclassed message costs a round trip to the server (the subclass
// lives in a window property), and a list sends two notifications for every
// row inserted or ticked.
bool FormRepair::OnChildMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
  if (msg != WM_NOTIFY || lvwRegErrors_ == nullptr) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(lp);
  if (hdr->hwndFrom != lvwRegErrors_ || hdr->code != NM_CUSTOMDRAW) return false;
  result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
  return true;
}

LRESULT FormRepair::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
      draw.clrText = (draw.iSubItem == 0 && row < row_colours_.size())
                         ? row_colours_[row]
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
  // The user's marks are in the list; the run works on the model's rows.
  auto& rows = session_->Rows().Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].checked = RowChecked(i);
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
  pending_rows_.clear();
  ListView_DeleteAllItems(lvwRegErrors_);
  row_colours_.clear();
}

void FormRepair::SetRowText(std::size_t row, int column, const std::string& text) {
  std::wstring w = win32::Widen(text);
  ListView_SetItemText(lvwRegErrors_, static_cast<int>(row), column, w.data());
}

// A row is listed a little later, with the others found meanwhile: the list
// repaints once per batch instead of once per row, which during a scan that
// finds many would cost more than the walk itself.
void FormRepair::RowAdded(const RegErrorRow& row) {
  pending_rows_.push_back(row);
}

void FormRepair::FlushRows() {
  if (pending_count_) SetCaption(*lblStatus_, *std::exchange(pending_count_, std::nullopt));
  if (pending_rows_.empty() || lvwRegErrors_ == nullptr) return;
  SendMessageW(lvwRegErrors_, WM_SETREDRAW, FALSE, 0);
  for (const RegErrorRow& row : pending_rows_) InsertRow(row);
  pending_rows_.clear();
  SendMessageW(lvwRegErrors_, WM_SETREDRAW, TRUE, 0);
}

void FormRepair::InsertRow(const RegErrorRow& row) {
  const int index = ListView_GetItemCount(lvwRegErrors_);
  std::wstring kind = win32::Widen(row.kind);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = kind.data();
  ListView_InsertItem(lvwRegErrors_, &item);
  SetRowText(static_cast<std::size_t>(index), 1, row.root);
  SetRowText(static_cast<std::size_t>(index), 2, row.key);
  SetRowText(static_cast<std::size_t>(index), 3, row.value);
  row_colours_.push_back(GetSysColor(COLOR_WINDOWTEXT));
}

void FormRepair::RowsChecked() {
  FlushRows();
  // One repaint for all the marks: the list would otherwise invalidate each
  // row on its own, tens of thousands of times after a large scan.
  SendMessageW(lvwRegErrors_, WM_SETREDRAW, FALSE, 0);
  const int count = ListView_GetItemCount(lvwRegErrors_);
  for (int i = 0; i < count; ++i) ListView_SetCheckState(lvwRegErrors_, i, TRUE);
  SendMessageW(lvwRegErrors_, WM_SETREDRAW, TRUE, 0);
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
