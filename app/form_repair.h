// FormRepair: the window in which a scan runs and its results are listed,
// opened modally over the main window. The scan logic lives in ScanSession,
// the repair in RunRepair; this class binds them to the window's controls.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scan/scan_session.h"
#include "shell/ad_line.h"
#include "shell/chrome.h"

namespace qm::win32 {
class SnapshotRegistry;
}

namespace qm::app {

struct SystemServices;

inline constexpr UINT_PTR kTimerRunScan = 0x5CA;
inline constexpr UINT kTimerRunScanMs = 100;

class FormRepair final : public shell::ChromeForm, private ScanView, private ScanServices {
 public:
  // The program's scan window searches the system's registry and file
  // system; tests may hand it others (an in-memory registry).
  FormRepair();
  FormRepair(RegistryReader& registry, FileSystem& fs);
  ~FormRepair() override;

  // For tests: the session and the list's check marks as the user sees them.
  [[nodiscard]] ScanSession& Session() { return *session_; }
  [[nodiscard]] HWND List() const { return lvwRegErrors_; }
  [[nodiscard]] bool RowChecked(std::size_t row) const;
  // Whether a root's snapshot is being read now, before the walk goes on;
  // the snapshots the program's own scan reads (null with a test registry).
  [[nodiscard]] bool TakingSnapshot() const;
  [[nodiscard]] const win32::SnapshotRegistry* Snapshots() const { return snapshot_.get(); }

 private:
  bool OnLoad() override;
  void OnBackgroundMove() override;
  void OnCloseRequest() override { CommandReturn_Click(); }
  void ExitAction() override { CommandReturn_Click(); }

  void TimerRunScan_Timer();
  void CommandStart_Click();
  void CommandStop_Click();
  void CommandRepair_Click();
  void CommandReturn_Click();
  void RunStart();

  // ScanView
  void SetFoundCount(const std::string& text) override;
  void SetRepairCount(const std::string& text) override;
  void SetCurrentKey(const std::string& text) override;
  void EnableStart(bool on) override;
  void EnableStop(bool on) override;
  void EnableRepair(bool on) override;
  void RowsCleared() override;
  void RowAdded(const RegErrorRow& row) override;
  void RowsChecked() override;

  // ScanServices
  void YieldToEvents() override;
  void ShowMessage(const std::string& text, int style) override;
  void WriteRecord(const std::string& key, const std::string& value) override;
  [[nodiscard]] std::string NowText() override;
  [[nodiscard]] std::chrono::steady_clock::time_point Now() override;

  void CreateList();
  void InsertRow(const RegErrorRow& row);
  void FlushRows();
  void SetRowText(std::size_t row, int column, const std::string& text);
  bool OnChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  [[nodiscard]] LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

  class RepairViewImpl;
  std::unique_ptr<SystemServices> system_;
  // The program's own scans read each root from a snapshot where that works.
  std::unique_ptr<win32::SnapshotRegistry> snapshot_;
  RegKey snapshot_shown_ = kNoKey;  // the root whose reading the window shows
  RegistryReader* registry_ = nullptr;
  FileSystem* fs_ = nullptr;
  std::unique_ptr<ScanSession> session_;
  std::unique_ptr<RepairViewImpl> repair_view_;
  shell::AdLine ad_;
  shell::Label* lblStatus_ = nullptr;
  shell::Label* RepairCount_ = nullptr;
  shell::Label* lblCurrentKey_ = nullptr;
  button::win32::CommandWindow* CommandStart_ = nullptr;
  button::win32::CommandWindow* CommandStop_ = nullptr;
  button::win32::CommandWindow* CommandRepair_ = nullptr;
  button::win32::CommandWindow* CommandReturn_ = nullptr;
  HWND lvwRegErrors_ = nullptr;
  std::vector<COLORREF> row_colours_;  // column 0's text colour per row
  // Rows found since the list was last brought up to date (see RowAdded).
  std::vector<RegErrorRow> pending_rows_;
  std::optional<std::string> pending_count_;  // lblStatus's text, likewise
  std::chrono::steady_clock::time_point last_yield_{};
  std::chrono::steady_clock::time_point last_rows_{};
  bool repairing_ = false;
};

}  // namespace qm::app
