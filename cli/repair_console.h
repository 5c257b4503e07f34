// The repair run's window parts as a console program has them, shared by
// the Windows and the Linux quillmar-cli.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_args.h"
#include "cli/scan_report.h"
#include "cli/scan_search.h"
#include "platform/profile_io.h"
#include "platform/text.h"
#include "profile/profile_store.h"
#include "repair/repair_run.h"

namespace qm::cli {

// The profile as the run sees it: BackupBeforeFix answers what the command
// line chose; every other read and every write reaches the file.
class BackupChoiceProfile final : public PrivateProfile {
 public:
  BackupChoiceProfile(PrivateProfile& file, std::optional<bool> backup)
      : file_(file), backup_(backup) {}
  [[nodiscard]] ProfileRead GetString(std::string_view file, std::string_view section,
                                      std::string_view key, std::size_t buffer_chars) override {
    if (backup_ && text::EqualsNoCase(section, kSettingsSection) &&
        text::EqualsNoCase(key, kBackupBeforeFixKey)) {
      return {*backup_ ? "1" : "0", 1};
    }
    return file_.GetString(file, section, key, buffer_chars);
  }
  [[nodiscard]] bool WriteString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view value) override {
    return file_.WriteString(file, section, key, value);
  }

 private:
  PrivateProfile& file_;
  std::optional<bool> backup_;
};

// The status line goes to `status` (standard error); the marks and
// messages are in the report printed at the end.
class ConsoleRepairView final : public RepairView, public MessageService {
 public:
  ConsoleRepairView(bool quiet, std::function<void(std::string_view)> status)
      : quiet_(quiet), status_(std::move(status)) {}
  void SetStatusText(std::string_view text) override {
    if (!quiet_) status_(std::string(text) + "\n");
  }
  void SetRepairCount(std::string_view) override {}
  void MarkRow(std::size_t, std::string_view, RowColour) override {}
  void ColourRow(std::size_t, RowColour) override {}
  void Show(std::string_view, int) override {}

 private:
  bool quiet_;
  std::function<void(std::string_view)> status_;
};

inline std::optional<bool> BackupOverride(BackupChoice choice) {
  if (choice == BackupChoice::kOn) return true;
  if (choice == BackupChoice::kOff) return false;
  return std::nullopt;
}

// What the repair asks on the terminal, after listing the rows; "y" or
// "yes" confirms.
[[nodiscard]] inline std::string RepairQuestion(const ScanRun& run) {
  const std::size_t ticked = run.rows.CheckedCount();
  const std::string left =
      ticked < run.rows.Count()
          ? " (the " + std::to_string(run.rows.Count() - ticked) + " system setting(s) listed stay)"
          : std::string();
  return FormatReport(ReportFormat::kText, run.summary, run.rows) + "Delete these " +
         std::to_string(ticked) + " registry values" + left + "? [y/N] ";
}

// Why a repair without --yes stops when nobody can answer (exit 2).
[[nodiscard]] inline std::string NobodyToConfirm(std::size_t rows) {
  return "quillmar-cli: standard input is not a terminal, so nobody can confirm deleting " +
         std::to_string(rows) +
         " registry values; nothing was deleted. Give --yes to repair without asking.\n";
}

}  // namespace qm::cli
