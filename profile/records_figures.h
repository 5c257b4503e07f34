// The records window's figures: the last stopped scan's time and error
// count and the last repair's count, shown exactly as the profile holds
// them (blanks around them removed by the read).
#pragma once

#include <string>
#include <string_view>

#include "platform/profile_io.h"

namespace qm {

enum class RecordFigure { kLastScanTime, kErrorCount, kFixedCount };

class RecordsView {
 public:
  virtual ~RecordsView() = default;
  virtual void ShowFigure(RecordFigure figure, const std::string& text) = 0;
  // Lets the window process its pending messages so the figure repaints.
  // False when the window went away meanwhile: nothing more is shown.
  [[nodiscard]] virtual bool YieldToEvents() = 0;
};

// Reads and shows the three figures in the order above, each read from
// the file at its own step, with a yield after the first and the second.
void RefreshRecords(PrivateProfile& profile, std::string_view file, RecordsView& view);

}  // namespace qm
