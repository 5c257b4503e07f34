#include "app/form_records.h"

#include "platform/win32/program_folder.h"
#include "profile/profile_store.h"
#include "scan/categories.h"

namespace qm::app {

using shell::TwipsRect;

FormRecords::FormRecords()
    : NavigationForm(shell::FormKind::Records, L"Quillmar.FormRecords", L"\\bgother.dll",
                     shell::ChromeButton::Records, "记录") {}

bool FormRecords::LoadContents() {
  const auto caption = [this](const char* name, TwipsRect place, const char* text) {
    AddLabel({.name = name, .twips = place, .text = text});
  };
  const auto figure = [this](const char* name, TwipsRect place, const char* text) {
    return &AddLabel({.name = name, .twips = place, .text = text, .autosize = true});
  };
  caption("Label1", {3360, 2400, 1260, 180}, "上次扫描时间：");
  LabelLastScanTime_ = figure("LabelLastScanTime", {4680, 2400, 0, 180}, "unknown");
  caption("Label2", {3720, 2760, 900, 180}, "错误个数：");
  LabelErrorCount_ = figure("LabelErrorCount", {4680, 2760, 0, 180}, "0");
  caption("Label3", {3540, 3120, 1080, 180}, "已修复错误：");
  LabelFixedCount_ = figure("LabelFixedCount", {4680, 3120, 0, 180}, "0");
  if (auto* refresh =
          AddCommand({.name = "CommandRefreshRecords", .twips = {3360, 3600, 1455, 495}})) {
    refresh->Events().Click = Handler([this] { CommandRefreshRecords_Click(); });
  }
  caption("Label4", {3720, 4320, 900, 180}, "各类错误：");
  LabelCategoryCounts_ = &AddLabel({.name = "LabelCategoryCounts",
                                    .twips = {4680, 4320, 6600, 1440},
                                    .text = "unknown",
                                    .wrap = true});
  Refresh();
  return true;
}

void FormRecords::CommandRefreshRecords_Click() {
  Refresh();
}

void FormRecords::Refresh() {
  const std::string file = ProfilePath(win32::ProgramFolder().value_or("."));
  // Shown before the three figures: their yields may end the window.
  if (LabelCategoryCounts_ != nullptr) {
    SetCaption(*LabelCategoryCounts_, CategoryCountsText([&](const std::string& key) {
      return ReadIniValue(profile_, file, kRecordsSection, key);
    }));
  }
  RefreshRecords(profile_, file, static_cast<RecordsView&>(*this));
}

void FormRecords::ShowFigure(RecordFigure figure, const std::string& text) {
  shell::Label* label = figure == RecordFigure::kLastScanTime ? LabelLastScanTime_
                        : figure == RecordFigure::kErrorCount ? LabelErrorCount_
                                                              : LabelFixedCount_;
  if (label != nullptr) SetCaption(*label, text);
}

bool FormRecords::YieldToEvents() {
  const HWND self = Handle();
  // The yield is there so the figure repaints. While the window is still
  // being loaded it is hidden and nothing needs painting, and handling
  // other input then could start a second navigation in the middle of the
  // one loading this window.
  if (!IsWindowVisible(self)) return true;
  shell::DoEvents();
  // The user may have left the window (navigation, exit) meanwhile.
  return IsWindow(self) != FALSE;
}

}  // namespace qm::app
