// The advertisement line of the main and the scan window: the hidden label
// `LabelAd` and the timer `TimerAd` that fetches the text at every tick
// until one arrives; then the orange text shows as a link and the timer
// stops. A window holds one AdLine, creates it in its load steps and calls
// ClearUnderline from its background-move handler.
#pragma once

#include <windows.h>

#include "shell/form.h"

namespace qm::shell {

inline constexpr UINT_PTR kTimerAdId = 0xAD;
inline constexpr UINT kMainAdIntervalMs = 5000;
inline constexpr UINT kScanAdIntervalMs = 3000;

class AdLine {
 public:
  // Adds `LabelAd` (hidden) at `place` to `form` and starts `TimerAd`.
  void Create(Form& form, TwipsRect place, UINT interval_ms);
  void ClearUnderline();
  [[nodiscard]] Label* LabelAd() const { return label_; }

 private:
  void TimerAd_Timer();
  void LabelAd_Click();
  void LabelAd_MouseMove();

  Form* form_ = nullptr;
  Label* label_ = nullptr;
};

}  // namespace qm::shell
