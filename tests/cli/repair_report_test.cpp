#include "cli/repair_report.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace qm::cli {
namespace {

ErrorList ThreeRows() {
  ErrorList list;
  list.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "Soft\\Run\\A", "C:\\a.exe", true, "Soft\\Run",
               "A", kRegSz});
  list.Append({"VALUE NAME", "HKEY_CURRENT_USER", "Soft\\C:\\b.dll", "", true, "Soft", "C:\\b.dll",
               kRegSz});
  list.Append({"VALUE VALUE", "HKEY_LOCAL_MACHINE", "Soft\\X\\c", "\"C:\\c.exe\" /q\nnext", true,
               "Soft\\X", "c", kRegMultiSz});
  return list;
}

RepairReport Outcomes(std::vector<RowOutcome> rows, bool backup) {
  RepairReport r;
  r.backup_asked = backup;
  r.backup.path = "C:\\Q\\RegBackups\\1.reg";
  r.rows = std::move(rows);
  for (RowOutcome o : r.rows) {
    if (o == RowOutcome::kRepaired) ++r.repaired;
    if (o == RowOutcome::kFailed) ++r.failed;
    if (o == RowOutcome::kSkipped) ++r.skipped;
  }
  return r;
}

TEST(RepairReport, JsonGivesEachRowItsStatusAndTheBackup) {
  const auto report =
      Outcomes({RowOutcome::kRepaired, RowOutcome::kFailed, RowOutcome::kSkipped}, true);
  EXPECT_EQ(FormatRepairReport(ReportFormat::kJson, {"C:", 0, 9}, ThreeRows(), report),
            "{\"drive\": \"C:\", \"reason\": 0, \"keys\": 9, \"backup\": {\"ok\": true, \"path\": "
            "\"C:\\\\Q\\\\RegBackups\\\\1.reg\"}, \"repaired\": 1, \"failed\": 1, \"skipped\": 1, "
            "\"system_skipped\": 0, \"access_denied\": 0, \"rows\": ["
            "{\"kind\": \"VALUE VALUE\", \"root\": \"HKEY_CURRENT_USER\", \"key\": "
            "\"Soft\\\\Run\\\\A\", \"value\": \"C:\\\\a.exe\", \"path\": \"C:\\\\A.EXE\", "
            "\"key_path\": \"Soft\\\\Run\", \"value_name\": \"A\", \"type\": \"REG_SZ\", "
            "\"system_setting\": false, \"category\": \"other\", \"status\": \"repaired\"}, "
            "{\"kind\": \"VALUE NAME\", \"root\": \"HKEY_CURRENT_USER\", \"key\": "
            "\"Soft\\\\C:\\\\b.dll\", \"value\": \"\", \"path\": \"C:\", \"key_path\": \"Soft\", "
            "\"value_name\": \"C:\\\\b.dll\", \"type\": \"REG_SZ\", \"system_setting\": false, "
            "\"category\": \"other\", \"status\": \"failed\"}, "
            "{\"kind\": \"VALUE VALUE\", \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": "
            "\"Soft\\\\X\\\\c\", \"value\": \"\\\"C:\\\\c.exe\\\" /q\\nnext\", \"path\": "
            "\"C:\\\\C.EXE\", \"key_path\": \"Soft\\\\X\", \"value_name\": \"c\", "
            "\"type\": \"REG_MULTI_SZ\", \"system_setting\": false, \"category\": \"other\", "
            "\"status\": \"skipped\"}]}\n");
}

TEST(RepairReport, JsonWithoutBackupAndAfterAFailedOne) {
  const auto none = Outcomes({RowOutcome::kRepaired}, false);
  ErrorList one;
  one.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "K\\v", "C:\\a.exe", true, "K", "v", kRegSz});
  EXPECT_NE(FormatRepairReport(ReportFormat::kJson, {"C:", 0, 1}, one, none)
                .find("\"backup\": null, \"repaired\": 1"),
            std::string::npos);

  auto failed = Outcomes({RowOutcome::kUnchecked}, true);
  failed.stopped = true;
  failed.backup.failure = BackupFailure::kFolder;
  failed.backup.error = 5;
  const std::string json = FormatRepairReport(ReportFormat::kJson, {"C:", 0, 1}, one, failed);
  EXPECT_NE(json.find("\"backup\": {\"ok\": false, "), std::string::npos) << json;
  EXPECT_NE(json.find("\"error\": 5, \"message\": \""), std::string::npos) << json;
  EXPECT_NE(json.find("\"status\": \"skipped\""), std::string::npos) << json;
}

TEST(RepairReport, TextShowsTheWindowsTexts) {
  const auto report =
      Outcomes({RowOutcome::kRepaired, RowOutcome::kFailed, RowOutcome::kSkipped}, true);
  EXPECT_EQ(FormatRepairReport(ReportFormat::kText, {"C:", 0, 9}, ThreeRows(), report),
            "Backup file:C:\\Q\\RegBackups\\1.reg\n"
            "已修复  HKEY_CURRENT_USER\\Soft\\Run\\A  C:\\a.exe\n"
            "修复失败  HKEY_CURRENT_USER\\Soft\\C:\\b.dll  \n"
            "已跳过  HKEY_LOCAL_MACHINE\\Soft\\X\\c  \"C:\\c.exe\" /q\u240Anext\n"
            "1 个错误已修复。\n1 个错误未能修复。\n"
            "1 value(s) skipped and not deleted (changed since the scan, or not savable in the "
            "backup):\n"
            "  HKEY_LOCAL_MACHINE\\Soft\\X\\c\n");
  auto failed = Outcomes({RowOutcome::kUnchecked}, true);
  failed.stopped = true;
  failed.backup.failure = BackupFailure::kFile;
  failed.backup.error = 112;
  // The window's message, then the command line's status line, and no row.
  EXPECT_EQ(FormatRepairReport(ReportFormat::kText, {}, ThreeRows(), failed),
            "无法写入备份文件：C:\\Q\\RegBackups\\1.reg\n错误代码 112。\n没有删除任何注册表值。\n"
            "备份失败，未删除任何值。\n");
}

// A system setting the run left unticked is said apart from the skipped
// values, and a want of rights once.
TEST(RepairReport, SystemSettingsLeftAloneAndAWantOfRights) {
  ErrorList rows = ThreeRows();
  rows.Rows()[2].system_setting = true;
  rows.Rows()[2].checked = false;
  auto report =
      Outcomes({RowOutcome::kRepaired, RowOutcome::kFailed, RowOutcome::kUnchecked}, false);
  report.denied = 1;
  const std::string text = FormatRepairReport(ReportFormat::kText, {"C:", 0, 9}, rows, report);
  EXPECT_NE(text.find("1 个错误已修复。\n1 个错误未能修复。\n"
                      "1 system setting(s) left alone: Windows may need them to start or log on "
                      "(--include-system deletes them too):\n"
                      "  HKEY_LOCAL_MACHINE\\Soft\\X\\c\n"
                      "1 value(s) could not be deleted for want of rights (access denied): run "
                      "quillmar-cli as administrator.\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("skipped and not deleted"), std::string::npos) << text;
}

TEST(RepairReport, ExitStatus) {
  struct Case {
    RepairReport report;
    int status;
  };
  auto backup_failed = Outcomes({RowOutcome::kUnchecked}, true);
  backup_failed.stopped = true;
  backup_failed.backup.failure = BackupFailure::kNoFreeName;
  const Case cases[] = {
      {Outcomes({RowOutcome::kRepaired, RowOutcome::kRepaired}, true), 0},
      {Outcomes({}, false), 0},
      {Outcomes({RowOutcome::kRepaired, RowOutcome::kFailed}, false), 1},
      // A skipped value is still there: the run did not do all it was asked.
      {Outcomes({RowOutcome::kRepaired, RowOutcome::kSkipped}, true), 1},
      {Outcomes({RowOutcome::kSkipped}, false), 1},
      // A system setting left unticked was not asked for.
      {Outcomes({RowOutcome::kRepaired, RowOutcome::kUnchecked}, false), 0},
      {backup_failed, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(RepairExitStatus(c.report), c.status);
}

}  // namespace
}  // namespace qm::cli
