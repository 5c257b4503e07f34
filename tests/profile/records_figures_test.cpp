// The records window's figures read from a real INI file, one at a time,
// with the window's yields between them.
#include "profile/records_figures.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "profile/profile_store.h"
#include "profile_test_support.h"
#include "testing/ini_file_profile.h"

namespace qm {
namespace {

class RecordingView final : public RecordsView {
 public:
  void ShowFigure(RecordFigure figure, const std::string& text) override {
    const char* name = figure == RecordFigure::kLastScanTime ? "LastScanTime"
                       : figure == RecordFigure::kErrorCount ? "ErrorCount"
                                                             : "FixedCount";
    events.push_back(std::string(name) + "=" + text);
  }
  bool YieldToEvents() override {
    events.push_back("yield");
    if (during_yield) during_yield();
    return alive;
  }
  std::vector<std::string> events;
  std::function<void()> during_yield;
  bool alive = true;
};

using Events = std::vector<std::string>;

TEST(RecordsFigures, ShowsTheProfileTextTrimmedInOrderWithYieldsBetween) {
  test::TempFolder dir;
  const std::string file = dir.File("ro.ini");
  test::PutBytes(file,
                 "[Records]\r\nErrorCount=  37  \r\nLastScanTime= 2024/1/2 3:04:05  \r\n"
                 "FixedCount=0\r\n");
  IniFileProfile profile;
  RecordingView view;
  RefreshRecords(profile, file, view);
  EXPECT_EQ(view.events, (Events{"LastScanTime=2024/1/2 3:04:05", "yield", "ErrorCount=37", "yield",
                                 "FixedCount=0"}));
}

TEST(RecordsFigures, AFreshProfileShowsThreeEmptyFigures) {
  test::TempFolder dir;
  IniFileProfile profile;
  RecordingView view;
  RefreshRecords(profile, dir.File("ro.ini"), view);
  EXPECT_EQ(view.events, (Events{"LastScanTime=", "yield", "ErrorCount=", "yield", "FixedCount="}));
}

TEST(RecordsFigures, EachFigureIsReadAtItsOwnStep) {
  test::TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kErrorCountKey, "5"));
  ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kFixedCountKey, "3"));
  RecordingView view;
  // A scan stopped while the window yields after the first figure.
  int yields = 0;
  view.during_yield = [&] {
    if (++yields == 1) {
      ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kErrorCountKey, "9"));
      ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kFixedCountKey, "4"));
    }
  };
  RefreshRecords(profile, file, view);
  EXPECT_EQ(view.events,
            (Events{"LastScanTime=", "yield", "ErrorCount=9", "yield", "FixedCount=4"}));
}

TEST(RecordsFigures, StopsWhenTheWindowWentAwayDuringAYield) {
  test::TempFolder dir;
  IniFileProfile profile;
  RecordingView view;
  view.alive = false;
  RefreshRecords(profile, dir.File("ro.ini"), view);
  EXPECT_EQ(view.events, (Events{"LastScanTime=", "yield"}));
}

}  // namespace
}  // namespace qm
