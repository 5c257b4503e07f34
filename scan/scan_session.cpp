#include "scan/scan_session.h"

#include "scan/system_settings.h"

namespace qm {

namespace {
constexpr auto kKeyPacing = std::chrono::milliseconds(100);
}

ScanSession::ScanSession(RegistryReader& registry, FileSystem& fs, ScanView& view,
                         ScanServices& services, IgnoredValue ignored,
                         const Environment* environment)
    : registry_(registry),
      view_(view),
      services_(services),
      rule_(fs, std::move(ignored), environment),
      search_(registry, *this, [this] { services_.YieldToEvents(); }) {}

ScanSession::~ScanSession() = default;

void ScanSession::Load() {
  view_.EnableRepair(false);
  view_.EnableStop(false);
  view_.EnableStart(true);
  view_.SetCurrentKey("无");
  view_.SetFoundCount("0");
  view_.SetRepairCount("0");
}

void ScanSession::Start() {
  // A second walk inside the first would end it early and report to rows
  // that are gone: Start waits until the stopped walk has returned.
  if (walking_) return;
  services_.ScanStarting();
  view_.SetRepairCount("0");
  view_.SetFoundCount("0");
  rows_.Clear();
  view_.RowsCleared();
  search_.RootKey(0);
  search_.SubKey("");
  search_.SearchFlags(kSearchValueNames | kSearchValueData);
  search_.SearchString(rule_.Drive());
  view_.EnableStart(false);
  view_.EnableStop(true);
  view_.EnableRepair(false);
  stop_enabled_ = true;
  walking_ = true;
  key_shown_ = false;
  search_.DoSearch();
  walking_ = false;
}

void ScanSession::TickRows() {
  if (rows_.Count() == 0) return;
  view_.EnableRepair(true);
  rows_.CheckAll();
  view_.RowsChecked();
}

void ScanSession::Stop() {
  if (!stop_enabled_) return;
  stop_enabled_ = false;
  // Start stays disabled until the walk has wound down (SearchFinished).
  view_.EnableStop(false);
  TickRows();
  search_.StopSearch();
  services_.YieldToEvents();
  WriteScanRecords(true);
}

void ScanSession::WriteScanRecords(bool yielding) {
  services_.WriteRecord("ErrorCount", std::to_string(rows_.Count()));
  if (yielding) services_.YieldToEvents();
  services_.WriteRecord("LastScanTime", services_.NowText());
  for (const auto& [key, count] : CategoryCounts(rows_)) services_.WriteRecord(key, count);
}

ScanSession::CloseAnswer ScanSession::RequestClose() {
  if (stop_enabled_) {
    services_.ShowMessage("请停止扫描后再退出。", kMessageExclamation);
    return CloseAnswer::kRefused;
  }
  if (walking_) {
    close_pending_ = true;
    return CloseAnswer::kAfterWalk;
  }
  return CloseAnswer::kClose;
}

int ScanSession::SearchFound(std::string_view root, std::string_view key, std::string_view value,
                             std::int32_t found, std::string_view value_name) {
  auto row = rule_.Judge(root, key, value, found, value_name, search_.FoundData());
  if (!row) return 0;
  row->type = search_.FoundType();
  row->system_setting = IsSystemSettingRow(registry_, *row);
  rows_.Append(std::move(*row));
  view_.RowAdded(rows_.Rows().back());
  view_.SetFoundCount(std::to_string(rows_.Count()));
  return 0;
}

int ScanSession::SearchKeyChanged(std::string_view full) {
  const auto now = services_.Now();
  if (!key_shown_ || now - last_key_change_ > kKeyPacing) {
    key_shown_ = true;
    last_key_change_ = now;
    view_.SetCurrentKey(std::string(full));
  }
  return 0;
}

void ScanSession::SearchFinished(std::int32_t reason) {
  stop_enabled_ = false;
  view_.EnableStart(true);
  view_.EnableStop(false);
  if (reason == kSearchStopped) {
    // Stop has already set the buttons and ticked the rows; the user may
    // have changed marks since, and those stay.
    view_.SetCurrentKey("扫描被中止。");
    return;
  }
  view_.SetCurrentKey(reason == kSearchCompleted ? std::string("扫描结束。")
                                                 : "错误：" + std::to_string(reason));
  TickRows();
  // A scan that ran to its end is the last scan as much as a stopped one:
  // the records show it in the same form.
  if (reason == kSearchCompleted) {
    WriteScanRecords(false);
  }
}

}  // namespace qm
