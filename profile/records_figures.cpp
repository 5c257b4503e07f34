#include "profile/records_figures.h"

#include "profile/profile_store.h"

namespace qm {

void RefreshRecords(PrivateProfile& profile, std::string_view file, RecordsView& view) {
  const auto read = [&](std::string_view key) {
    return ReadIniValue(profile, file, kRecordsSection, key);
  };
  view.ShowFigure(RecordFigure::kLastScanTime, read(kLastScanTimeKey));
  if (!view.YieldToEvents()) return;
  view.ShowFigure(RecordFigure::kErrorCount, read(kErrorCountKey));
  if (!view.YieldToEvents()) return;
  view.ShowFigure(RecordFigure::kFixedCount, read(kFixedCountKey));
}

}  // namespace qm
