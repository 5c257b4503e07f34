// FormScanner: the main window and the start-up window. Fifteen category
// boxes gate the scan (at least one must be ticked; which ones does not
// matter), "全选" ticks them all, "立刻扫描" opens the scan window modally.
#pragma once

#include <array>

#include "shell/ad_line.h"
#include "shell/navigation_form.h"

namespace qm::app {

class FormScanner final : public shell::NavigationForm {
 public:
  FormScanner();

  static constexpr int kCategoryCount = 15;
  // The box of category `n` (1 to 15).
  [[nodiscard]] HWND Check(int n) const { return checks_[n - 1]; }
  // The tip over the boxes, which says what else a scan lists.
  [[nodiscard]] HWND CategoryTip() const { return tip_; }

 private:
  [[nodiscard]] bool LoadContents() override;
  void OnBackgroundMove() override;

  void CommandScanNow_Click();
  void LabelSelectAll_Click();
  void AddCategoryTip();
  void LabelSelectAll_MouseMove();

  std::array<HWND, kCategoryCount> checks_{};
  HWND tip_ = nullptr;  // owned by the window, destroyed with it
  shell::Label* LabelSelectAll_ = nullptr;
  shell::AdLine ad_;
};

}  // namespace qm::app
