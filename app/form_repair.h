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
  void FlushRows();
  // Tells the list how many rows the error list holds now, for when rows
  // were added or removed; the list asks for what it shows of them.
  void SyncListToRows();
  // The list answers through the model: its cells and check marks are the
  // error list's, and ticking one changes the model, never the list alone.
  [[nodiscard]] LRESULT OnListNotify(NMHDR& hdr);
  void AnswerDisplayInfo(LVITEMW& item);
  void ToggleRow(int row);
  void SetRowsChecked(int row, UINT state_image);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool OnChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  [[nodiscard]] LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

  class RepairViewImpl;
  std::unique_ptr<SystemServices> system_;
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
  WNDPROC list_proc_ = nullptr;  // the list's own procedure, below ListProc
  // Column 0's text colour per row once a repair has coloured them; rows
  // past its end are in the window text colour.
  std::vector<COLORREF> row_colours_;
  // Rows were found since the list was last brought up to date (see RowAdded).
  bool rows_pending_ = false;
  std::optional<std::string> pending_count_;  // lblStatus's text, likewise
  std::chrono::steady_clock::time_point last_yield_{};
  std::chrono::steady_clock::time_point last_rows_{};
  bool repairing_ = false;
};

}  // namespace qm::app
