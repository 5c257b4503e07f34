#include "scan/scan_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "platform/memory_registry.h"
#include "testing/memory_file_system.h"

namespace qm {
namespace {

using Lines = std::vector<std::string>;

class FakeView : public ScanView {
 public:
  void SetFoundCount(const std::string& t) override { found = t; }
  void SetRepairCount(const std::string& t) override { repaired = t; }
  void SetCurrentKey(const std::string& t) override {
    current = t;
    key_changes.push_back(t);
  }
  void EnableStart(bool on) override { start = on; }
  void EnableStop(bool on) override { stop = on; }
  void EnableRepair(bool on) override { repair = on; }
  void RowsCleared() override { rows.clear(); }
  void RowAdded(const RegErrorRow& r) override { rows.push_back(r); }
  void RowsChecked() override { ++ticks; }

  std::string found, repaired, current;
  Lines key_changes;
  bool start = false, stop = false, repair = false;
  std::vector<RegErrorRow> rows;
  int ticks = 0;
};

class FakeServices : public ScanServices {
 public:
  void YieldToEvents() override {
    ++yields;
    if (on_yield) on_yield();
  }
  void ShowMessage(const std::string& text, int style) override {
    messages.push_back(text + "|" + std::to_string(style));
  }
  void WriteRecord(const std::string& key, const std::string& value) override {
    writes.push_back(key + "=" + value);
  }
  std::string NowText() override { return "2026/12/9 12:30:00"; }
  std::chrono::steady_clock::time_point Now() override {
    now += step;
    return now;
  }

  int yields = 0;
  std::function<void()> on_yield;
  Lines messages, writes;
  std::chrono::steady_clock::time_point now{};
  std::chrono::milliseconds step{0};
};

class ScanSessionTest : public ::testing::Test {
 protected:
  ScanSessionTest() {
    fs.AddFile("C:\\Present\\ok.exe");
    reg.SetString(kHkeyCurrentUser, "Software\\Run", "gone", "\"C:\\Gone\\a.exe\" /x");
    reg.SetString(kHkeyCurrentUser, "Software\\Run", "ok", "C:\\Present\\ok.exe");
    reg.SetString(kHkeyLocalMachine, "Software\\Shared", "C:\\Gone\\b.dll", "C:\\Gone\\b.dll");
    for (int i = 0; i < 30; ++i)
      reg.CreateKey(kHkeyLocalMachine, "Software\\Many\\K" + std::to_string(i));
    session.Load();
  }

  MemoryRegistry reg;
  MemoryFileSystem fs{"C:\\Windows\\System32"};
  FakeView view;
  FakeServices services;
  ScanSession session{reg, fs, view, services};
};

TEST_F(ScanSessionTest, LoadLeavesOnlyStartAndReturnUsable) {
  EXPECT_TRUE(view.start);
  EXPECT_FALSE(view.stop);
  EXPECT_FALSE(view.repair);
  EXPECT_EQ(view.current, "无");
  EXPECT_EQ(session.RequestClose(), ScanSession::CloseAnswer::kClose);
}

TEST_F(ScanSessionTest, AScanToItsEndListsTicksEnablesRepairAndWritesTheFigures) {
  bool stop_during = false, start_during = true, repair_during = true;
  services.on_yield = [&] {
    stop_during = view.stop;
    start_during = view.start;
    repair_during = view.repair;
  };
  session.Start();
  EXPECT_TRUE(stop_during);
  EXPECT_FALSE(start_during);
  EXPECT_FALSE(repair_during);

  ASSERT_EQ(view.rows.size(), 3u) << "gone.exe, and b.dll by name and by data";
  EXPECT_EQ(view.found, "3");
  EXPECT_EQ(view.current, "扫描结束。");
  EXPECT_TRUE(view.start);
  EXPECT_FALSE(view.stop);
  EXPECT_TRUE(view.repair);
  for (const auto& r : view.rows) EXPECT_FALSE(r.checked) << "rows arrive unticked";
  for (const auto& r : session.Rows().Rows()) {
    EXPECT_TRUE(r.checked) << "the end ticks them";
    EXPECT_EQ(r.type, kRegSz) << r.key << ": the row keeps the value's type";
  }
  EXPECT_EQ(view.ticks, 1);
  ASSERT_GE(services.writes.size(), 2u) << "the records describe the scan that ended by itself";
  EXPECT_EQ(services.writes[0], "ErrorCount=3");
  EXPECT_EQ(services.writes[1], "LastScanTime=2026/12/9 12:30:00");
}

TEST_F(ScanSessionTest, AClearedCategoryLeavesOutExactlyItsRowsAndEachIsCounted) {
  const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion\\";
  reg.SetString(kHkeyCurrentUser, cv + "Run", "tray", "C:\\Gone\\tray.exe");
  reg.SetString(kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\" + cv.substr(9) + "RunOnce", "up",
                "C:\\Gone\\up.exe");
  reg.SetString(kHkeyLocalMachine, "SOFTWARE\\" + cv.substr(9) + "App Paths\\x.exe", "",
                "C:\\Gone\\x.exe");
  CategorySet chosen = CategorySet::All();
  chosen.Set(Category::kStartup, false);
  session.SetCategories(chosen);
  session.Start();
  std::string listed;
  for (const auto& r : session.Rows().Rows()) listed += std::string(NameOf(r.category).alias) + " ";
  EXPECT_EQ(listed, "other other other app-paths ") << "no startup row; the others stay";
  const auto written = [&](const std::string& line) {
    return std::count(services.writes.begin(), services.writes.end(), line);
  };
  EXPECT_EQ(written("ErrorCount.other=3"), 1);
  EXPECT_EQ(written("ErrorCount.app-paths=1"), 1);
  EXPECT_EQ(written("ErrorCount.startup=0"), 1);

  session.SetCategories(CategorySet::All());
  session.Start();
  EXPECT_EQ(session.Rows().Count(), 6u) << "with every box ticked, every row again";
}

TEST_F(ScanSessionTest, TheSystemsOwnSettingsAreListedMarkedAndLeftUnticked) {
  const std::string ccs = "SYSTEM\\CurrentControlSet\\";
  reg.SetString(kHkeyLocalMachine, ccs + "Control\\Session Manager\\Memory Management",
                "PagingFiles", "C:\\pagefile.sys 27 77");
  for (const auto& [name, start] : {std::pair{"Boot", 0u}, std::pair{"Demand", 3u}}) {
    reg.SetString(kHkeyLocalMachine, ccs + "Services\\" + name, "ImagePath", "C:\\Gone\\x.sys");
    reg.SetDword(kHkeyLocalMachine, ccs + "Services\\" + name, "Start", start);
  }
  session.Start();
  std::string marks;  // each row's value, whether a system setting, whether ticked
  for (const auto& r : session.Rows().Rows())
    marks += r.value_name + std::to_string(r.system_setting) + std::to_string(r.checked) + " ";
  EXPECT_EQ(marks,
            "gone01 C:\\Gone\\b.dll01 C:\\Gone\\b.dll01 PagingFiles10 ImagePath10 ImagePath01 ");
  EXPECT_EQ(reg.OpenHandles(), 0u) << "the start type's look-up closes its key";
}

TEST_F(ScanSessionTest, StartAgainEmptiesTheListAndResetsTheCounters) {
  session.Start();
  view.repaired = "2";
  reg.SetString(kHkeyCurrentUser, "Software\\Run", "gone", "C:\\Present\\ok.exe");
  session.Start();
  EXPECT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(session.Rows().Count(), 2u);
  EXPECT_EQ(view.found, "2");
  EXPECT_EQ(view.repaired, "0");
}

TEST_F(ScanSessionTest, StopTicksWritesTheFiguresAndWindsDown) {
  int yields_seen = 0;
  services.on_yield = [&] {
    if (++yields_seen == 60) session.Stop();
  };
  session.Start();
  EXPECT_EQ(view.current, "扫描被中止。");
  EXPECT_TRUE(view.start);
  EXPECT_FALSE(view.stop);
  ASSERT_GE(services.writes.size(), 2u);
  EXPECT_EQ(services.writes[0], "ErrorCount=" + view.found) << "ErrorCount first";
  EXPECT_EQ(services.writes[1], "LastScanTime=2026/12/9 12:30:00");
  EXPECT_EQ(view.repair, session.Rows().Count() > 0);
}

TEST_F(ScanSessionTest, StopBeforeAnyErrorLeavesRepairDisabledAndWritesZero) {
  services.on_yield = [&] {
    if (view.stop) session.Stop();
  };
  session.Start();
  EXPECT_FALSE(view.repair);
  EXPECT_EQ(services.writes.front(), "ErrorCount=0");
}

TEST_F(ScanSessionTest, ClosingIsRefusedDuringAScanAndWaitsForAStoppedWalk) {
  std::vector<ScanSession::CloseAnswer> answers;
  bool restarted_inside = false;
  int n = 0;
  services.on_yield = [&] {
    ++n;
    if (n == 3) answers.push_back(session.RequestClose());
    if (n == 5) session.Stop();
    if (n == 6) {
      answers.push_back(session.RequestClose());
      const std::size_t before = view.key_changes.size();
      session.Start();  // must not begin a walk inside the stopped one
      restarted_inside = view.key_changes.size() != before;
    }
  };
  session.Start();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], ScanSession::CloseAnswer::kRefused);
  EXPECT_EQ(services.messages.front(), "请停止扫描后再退出。|48");
  EXPECT_EQ(answers[1], ScanSession::CloseAnswer::kAfterWalk);
  EXPECT_FALSE(restarted_inside);
  EXPECT_TRUE(session.ClosePending()) << "the window closes once the walk has returned";
}

TEST_F(ScanSessionTest, TheStatusLineChangesAtMostTenTimesASecond) {
  services.step = std::chrono::milliseconds(30);  // each key takes 30 ms
  view.key_changes.clear();
  session.Start();
  const std::size_t keys = 1 + 2 + 2 + 1 + 1 + 30;  // keys announced by this tree
  // Every fourth key (after more than 100 ms) shows, plus the final text.
  EXPECT_LT(view.key_changes.size(), keys / 3 + 3);
  EXPECT_GT(view.key_changes.size(), 3u);
  EXPECT_EQ(view.key_changes.front().rfind("HKEY_", 0), 0u) << "the first key shows at once";
}

TEST_F(ScanSessionTest, AFailedSearchShowsItsCodeAndKeepsTheRows) {
  // A provider that throws mid-walk is a fault with code 51.
  struct Throwing : RegistryReader {
    MemoryRegistry& inner;
    int calls = 0;
    explicit Throwing(MemoryRegistry& r) : inner(r) {}
    RegStatus OpenKey(RegKey p, std::string_view s, RegKey* o) override {
      return inner.OpenKey(p, s, o);
    }
    RegStatus EnumKey(RegKey k, std::uint32_t i, std::string& n) override {
      if (++calls == 40) throw std::runtime_error("provider fault");
      return inner.EnumKey(k, i, n);
    }
    RegStatus EnumValue(RegKey k, std::uint32_t i, RegValue& v) override {
      return inner.EnumValue(k, i, v);
    }
    void CloseKey(RegKey k) override { inner.CloseKey(k); }
  } throwing(reg);
  FakeView v;
  ScanSession s(throwing, fs, v, services);
  s.Load();
  s.Start();
  EXPECT_EQ(v.current, "错误：51");
  EXPECT_TRUE(v.start);
  EXPECT_FALSE(v.stop);
  EXPECT_EQ(reg.OpenHandles(), 0u);
  ASSERT_FALSE(s.Rows().Rows().empty()) << "rows found before the fault stay";
  EXPECT_TRUE(v.repair);
  for (const auto& r : s.Rows().Rows()) EXPECT_TRUE(r.checked);
}

}  // namespace
}  // namespace qm
