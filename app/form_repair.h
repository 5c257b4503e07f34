// FormRepair: the window in which a scan runs and its results are listed,
// opened modally over the main window. The scan logic lives in ScanSession,
// the repair in RunRepair; this class lays out the window and binds the
// session to its controls. What the list shows and the repair's marks are
// ScanListRows', a row's context menu and the ignore list ScanRowMenu's.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/scan_list_rows.h"
#include "app/scan_row_menu.h"
#include "scan/scan_session.h"
#include "shell/ad_line.h"
#include "shell/check_list.h"
#include "shell/chrome.h"
#include "shell/event_pacer.h"
#include "shell/row_tip.h"

namespace qm::win32 {
class SnapshotRegistry;
}

namespace qm::app {

struct SystemServices;

inline constexpr UINT_PTR kTimerRunScan = 0x5CA;
inline constexpr UINT kTimerRunScanMs = 100;
inline constexpr UINT_PTR kTimerRowTip = 0x71B;

class FormRepair final : public shell::ChromeForm, private ScanView, private ScanServices {
 public:
  // The program's scan window searches the system's registry and file
  // system; tests may hand it others (an in-memory registry).
  FormRepair();
  FormRepair(RegistryReader& registry, FileSystem& fs);
  ~FormRepair() override;

  // For tests: the session and the list's check marks as the user sees them.
  [[nodiscard]] ScanSession& Session() { return *session_; }
  // What the main window's ticked boxes ask to list; before the load.
  void SetCategories(CategorySet categories) { categories_ = categories; }
  [[nodiscard]] HWND List() const { return lvwRegErrors_.Handle(); }
  [[nodiscard]] bool RowChecked(std::size_t row) const { return lvwRegErrors_.RowChecked(row); }
  // For tests: the row tip as its window holds it, and whether it shows.
  [[nodiscard]] std::string TipText() const { return tip_.Text(); }
  [[nodiscard]] bool TipShown() const { return tip_.Shown(); }
  // For tests: stands in for the system's pop-up menu, given the menu and
  // the screen point it would open at; returns the chosen command, 0 for none.
  void SetMenuChooser(std::function<UINT(HMENU, POINT)> chooser) {
    menu_.SetChooser(std::move(chooser));
  }
  // For tests: stands in for starting the registry editor (0 or an error).
  void SetEditorStarter(std::function<std::uint32_t()> starter) {
    menu_.SetEditorStarter(std::move(starter));
  }
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
  void ScanStarting() override;

  bool OnChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  // Rows an ignore left out leave the list, its count and the tip.
  void RemoveRows(const ScanRowMenu::RowFilter& gone);

  void FlushRows();
  // Brings the list up to the rows the error list holds now.
  void SyncListToRows();

  std::unique_ptr<SystemServices> system_;
  // The program's own scans read each root from a snapshot where that works.
  std::unique_ptr<win32::SnapshotRegistry> snapshot_;
  RegKey snapshot_shown_ = kNoKey;  // the root whose reading the window shows
  RegistryReader* registry_ = nullptr;
  FileSystem* fs_ = nullptr;
  std::unique_ptr<ScanSession> session_;
  CategorySet categories_ = CategorySet::All();
  shell::AdLine ad_;
  shell::Label* lblStatus_ = nullptr;
  shell::Label* RepairCount_ = nullptr;
  shell::Label* lblCurrentKey_ = nullptr;
  button::win32::CommandWindow* CommandStart_ = nullptr;
  button::win32::CommandWindow* CommandStop_ = nullptr;
  button::win32::CommandWindow* CommandRepair_ = nullptr;
  button::win32::CommandWindow* CommandReturn_ = nullptr;
  ScanListRows rows_;
  shell::CheckList lvwRegErrors_{rows_};
  // Rows were found since the list was last brought up to date (see RowAdded).
  bool rows_pending_ = false;
  std::optional<std::string> pending_count_;  // lblStatus's text, likewise
  shell::EventPacer pacer_;
  shell::RowTip tip_;
  ScanRowMenu menu_;
};

}  // namespace qm::app
