#include "shell/ad_line.h"

#include "shell/ad_fetch.h"
#include "shell/app_urls.h"
#include "shell/services.h"

namespace qm::shell {

void AdLine::Create(Form& form, TwipsRect place, UINT interval_ms) {
  form_ = &form;
  label_ = &form.AddLabel({.name = "LabelAd",
                           .twips = place,
                           .color = RGB(255, 128, 0),
                           .visible = false,
                           .hand_cursor = true});
  label_->Click = [this] { LabelAd_Click(); };
  label_->MouseMove = [this](int, int, int) { LabelAd_MouseMove(); };
  form.StartTimer(kTimerAdId, interval_ms, [this] { TimerAd_Timer(); });
}

void AdLine::TimerAd_Timer() {
  const std::string text = FetchAdText(AppUrls().ad_fetch);
  if (text.empty()) return;  // the next tick tries again
  form_->SetCaption(*label_, text);
  form_->SetVisible(*label_, true);
  form_->StopTimer(kTimerAdId);
}

void AdLine::LabelAd_Click() {
  ShellOpen(form_->Handle(), AppUrls().ad_click);
}

void AdLine::LabelAd_MouseMove() {
  form_->SetUnderline(*label_, true);
}

void AdLine::ClearUnderline() {
  if (label_ != nullptr) form_->SetUnderline(*label_, false);
}

}  // namespace qm::shell
