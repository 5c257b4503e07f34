// FormRecords: the records window, showing the figures of the last stopped
// scan and the last repair as the profile holds them. It only reads.
#pragma once

#include "platform/win32/profile.h"
#include "profile/records_figures.h"
#include "shell/navigation_form.h"

namespace qm::app {

class FormRecords final : public shell::NavigationForm, private RecordsView {
 public:
  FormRecords();

 private:
  [[nodiscard]] bool LoadContents() override;
  void CommandRefreshRecords_Click();
  void Refresh();

  // RecordsView
  void ShowFigure(RecordFigure figure, const std::string& text) override;
  [[nodiscard]] bool YieldToEvents() override;

  win32::Win32Profile profile_;
  shell::Label* LabelLastScanTime_ = nullptr;
  shell::Label* LabelErrorCount_ = nullptr;
  shell::Label* LabelFixedCount_ = nullptr;
  // The last scan's rows per category.
  shell::Label* LabelCategoryCounts_ = nullptr;
};

}  // namespace qm::app
