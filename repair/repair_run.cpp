#include "repair/repair_run.h"

#include "platform/text.h"
#include "profile/ignore_list.h"
#include "profile/profile_store.h"

namespace qm {

RegStatus DeleteValueInKey(RegistryEditor& registry, RegKey root, std::string_view key_path,
                           std::string_view value_name) {
  if (root == kNoKey) return kRegInvalidHandle;
  // Converted inexactly, the name would address another value.
  if (!text::IsWtf8(key_path) || !text::IsWtf8(value_name)) return kRegNoUnicodeTranslation;
  ScopedEditKey key(registry);
  const RegStatus rc = registry.OpenKeyForWrite(root, key_path, key.Put());
  if (rc != kRegOk) return rc;
  return registry.DeleteValue(key.Get(), value_name);
}

RegStatus DeleteRegistryValue(RegistryEditor& registry, RegKey root, const RegErrorRow& row) {
  return DeleteValueInKey(registry, root, row.key_path, row.value_name);
}

std::string BackupFailureMessage(const BackupResult& result) {
  std::string text;
  switch (result.failure) {
    case BackupFailure::kFolderIsFile:
      text = "无法创建备份文件夹：" + result.path + "\n已有同名的文件。";
      break;
    case BackupFailure::kFolder:
      text = "无法创建备份文件夹：" + result.path + "\n错误代码 " + std::to_string(result.error) +
             "。";
      break;
    case BackupFailure::kNoFreeName:
      text = "无法创建备份文件：" + result.path + "\n同一时刻的备份文件过多。";
      break;
    case BackupFailure::kFile:
    case BackupFailure::kNone:
      text =
          "无法写入备份文件：" + result.path + "\n错误代码 " + std::to_string(result.error) + "。";
      break;
  }
  return text + "\n没有删除任何注册表值。";
}

std::string RepairCountMessage(std::size_t repaired, std::size_t failed) {
  std::string text = std::to_string(repaired) + " 个错误已修复。";
  if (failed > 0) text += "\n" + std::to_string(failed) + " 个错误未能修复。";
  return text;
}

namespace {

BackupEntry EntryFor(const RegErrorRow& row, const RegValue& value) {
  BackupEntry e{row.root + "\\" + row.key_path, value};
  e.value.name = row.value_name;
  return e;
}

// Whether the value a row names is gone now, by reading it again: it may
// have gone through this row, another row naming it, or the same key seen
// through another root (HKEY_CURRENT_USER is also below HKEY_USERS). Only
// a clean "not found" for the exact name in a key that opens counts: a
// missing key, a name that does not convert, or any other answer is a
// query that did not reach the value, never proof that it is gone.
bool ValueGone(RegistryEditor& registry, const RegErrorRow& row) {
  return ReadRowValue(registry, row).state == RowValueState::kGone;
}

void ShowMarks(std::span<const RegErrorRow> rows, const RepairReport& report, RepairView& view) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    switch (report.rows[i]) {
      case RowOutcome::kUnchecked:
      case RowOutcome::kNotReached:
        view.ColourRow(i, kBlue);
        break;
      case RowOutcome::kRepaired:
        view.MarkRow(i, kRepairedText, kRed);
        break;
      case RowOutcome::kFailed:
        view.MarkRow(i, kRepairFailedText, kRed);
        break;
      case RowOutcome::kSkipped:
        // Blue like the unchecked rows: the run left this value alone too.
        view.MarkRow(i, kSkippedText, kBlue);
        break;
    }
  }
}

// What the run will do with each row, decided from one reading of the
// registry before anything is written or deleted: only a value that is
// still what the scan showed is deleted, and the backup holds exactly
// those values as they are now.
struct RunPlan {
  std::vector<bool> to_delete;
  std::vector<BackupEntry> entries;
};

RunPlan PlanRows(std::span<const RegErrorRow> rows, bool backup, RegistryEditor& registry,
                 const IgnoreList& ignored, std::vector<RowOutcome>& outcomes) {
  RunPlan plan;
  plan.to_delete.assign(rows.size(), false);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].checked) continue;
    if (ignored.Covers(rows[i].root, rows[i].key_path, rows[i].value_name)) {
      outcomes[i] = RowOutcome::kSkipped;
      continue;
    }
    RowValue now = ReadRowValue(registry, rows[i]);
    switch (now.state) {
      case RowValueState::kUnchanged: {
        BackupEntry entry = EntryFor(rows[i], now.value);
        if (backup && !CanWriteEntry(entry)) {
          outcomes[i] = RowOutcome::kSkipped;  // no backup could hold it
          break;
        }
        plan.to_delete[i] = true;
        if (backup) plan.entries.push_back(std::move(entry));
        break;
      }
      case RowValueState::kGone:
        plan.to_delete[i] = true;  // nothing to save; confirmed gone after the run
        break;
      case RowValueState::kChanged:
        outcomes[i] = RowOutcome::kSkipped;
        break;
      case RowValueState::kKeyGone:  // cannot be confirmed gone afterwards
      case RowValueState::kUnreadable:
      case RowValueState::kUnknownRoot:
        outcomes[i] = RowOutcome::kFailed;
        break;
    }
  }
  return plan;
}

}  // namespace

void CountOutcomes(RepairReport& report) {
  report.repaired = report.failed = report.skipped = report.not_reached = 0;
  for (RowOutcome o : report.rows) {
    if (o == RowOutcome::kRepaired) ++report.repaired;
    if (o == RowOutcome::kFailed) ++report.failed;
    if (o == RowOutcome::kSkipped) ++report.skipped;
    if (o == RowOutcome::kNotReached) ++report.not_reached;
  }
}

namespace {

std::string RefusalFor(const Result<IgnoreList>& load, const std::string& path) {
  std::string refusal;
  if (!load.ok()) {
    refusal = "无法读取忽略列表：" + path + "\n错误代码 " + std::to_string(load.code()) + "。";
    return refusal + "\n没有删除任何注册表值。";
  }
  for (const DamagedLine& d : load->Damaged()) {
    refusal += (refusal.empty() ? "" : "\n") + std::string("忽略列表第 ") + std::to_string(d.line) +
               " 行无法读取，请先在设置中修正：" + text::OneLine(d.text);
  }
  if (!refusal.empty()) refusal += "\n没有删除任何注册表值。";
  return refusal;
}

// Every list read and merged into one; the refusal names each that cannot
// be read whole.
std::string LoadIgnoreLists(FileStore& files, std::span<const std::string> paths,
                            IgnoreList& merged) {
  std::string refusal;
  for (const std::string& path : paths) {
    const Result<IgnoreList> load = LoadIgnoreList(files, path);
    const std::string why = RefusalFor(load, path);
    if (!why.empty()) refusal += (refusal.empty() ? "" : "\n") + why;
    if (load.ok()) merged.Merge(load.value());
  }
  return refusal;
}

}  // namespace

std::string IgnoreListRefusal(FileStore& files, std::span<const std::string> paths) {
  IgnoreList merged;
  return LoadIgnoreLists(files, paths, merged);
}

RepairReport RunRepair(std::span<const RegErrorRow> rows, RepairServices& services) {
  RepairReport report;
  report.rows.assign(rows.size(), RowOutcome::kUnchecked);
  const std::string profile_path = ProfilePath(services.backup.program_folder);
  IgnoreList ignored;
  if (services.files != nullptr) {
    const std::vector<std::string> own{IgnoreListPath(services.backup.program_folder)};
    report.refusal = LoadIgnoreLists(
        *services.files, services.ignore_files.empty() ? own : services.ignore_files, ignored);
    if (!report.refusal.empty()) {
      report.stopped = true;
      services.view.SetStatusText(kIgnoreListUnreadableStatus);
      services.messages.Show(report.refusal, kMessageExclamation);
      return report;
    }
  }
  report.backup_asked = ReadBackupBeforeFix(services.profile, profile_path);
  if (report.backup_asked) services.view.SetStatusText(kCreatingBackupText);

  const RunPlan plan = PlanRows(rows, report.backup_asked, services.registry, ignored, report.rows);
  if (report.backup_asked) {
    report.backup = WriteBackupFile(plan.entries, services.backup);
    if (!report.backup.ok()) {
      report.stopped = true;
      services.view.SetStatusText(kBackupFailedStatus);
      services.messages.Show(BackupFailureMessage(report.backup), kMessageExclamation);
      return report;
    }
    services.messages.Show("Backup file:" + report.backup.path, kMessageInformation);
  }

  std::size_t reached = rows.size();
  std::vector<RegStatus> deleted(rows.size(), kRegOk);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!plan.to_delete[i]) continue;
    // Between two values, never inside one: the backup holds them all.
    if (services.stop_requested && services.stop_requested()) {
      report.interrupted = true;
      reached = i;
      break;
    }
    deleted[i] = DeleteRegistryValue(services.registry, RootKeyFromName(rows[i].root), rows[i]);
  }
  // Judged only after every deletion, so a row whose value another row
  // removed counts as well.
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!plan.to_delete[i]) continue;
    if (i >= reached) {
      report.rows[i] = RowOutcome::kNotReached;
      continue;
    }
    report.rows[i] =
        ValueGone(services.registry, rows[i]) ? RowOutcome::kRepaired : RowOutcome::kFailed;
    if (report.rows[i] == RowOutcome::kFailed && deleted[i] == kRegAccessDenied) ++report.denied;
  }
  CountOutcomes(report);

  ShowMarks(rows, report, services.view);
  const std::string count = std::to_string(report.repaired);
  services.view.SetRepairCount(count);
  std::string done = RepairCountMessage(report.repaired, report.failed);
  // Each such row failed alike: the cause is said once, not per row.
  if (report.denied > 0) done += "\n" + std::string(kNeedAdministratorText);
  services.messages.Show(done, kMessageExclamation);
  // The running count is a tally for the records; the repair is done and
  // reported whether or not it is written.
  (void)WriteIniValue(services.profile, profile_path, kRecordsSection, kFixedCountKey, count);
  return report;
}

}  // namespace qm
