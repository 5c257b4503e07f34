// What the scan window does, apart from drawing it: starting and stopping
// the search, judging its finds, pacing the status line, ticking the rows
// and storing the figures of a stopped scan. The window supplies a view and
// the services; this class holds no window handle and runs natively in tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/message_styles.h"
#include "platform/registry.h"
#include "scan/error_list.h"
#include "scan/reg_search.h"
#include "scan/rules.h"

namespace qm {

// The controls of the scan window as the session drives them.
class ScanView {
 public:
  virtual ~ScanView() = default;
  virtual void SetFoundCount(const std::string& text) = 0;   // lblStatus
  virtual void SetRepairCount(const std::string& text) = 0;  // RepairCount
  virtual void SetCurrentKey(const std::string& text) = 0;   // lblCurrentKey
  virtual void EnableStart(bool on) = 0;
  virtual void EnableStop(bool on) = 0;
  virtual void EnableRepair(bool on) = 0;
  virtual void RowsCleared() = 0;
  virtual void RowAdded(const RegErrorRow& row) = 0;
  // Every row's check mark was set; the view shows the model's marks.
  virtual void RowsChecked() = 0;
};

// What the session needs from the system besides the registry.
class ScanServices {
 public:
  virtual ~ScanServices() = default;
  // Processes pending user-interface events, then returns.
  virtual void YieldToEvents() = 0;
  virtual void ShowMessage(const std::string& text, int style) = 0;
  // Writes one Records value of the profile.
  virtual void WriteRecord(const std::string& key, const std::string& value) = 0;
  // The local date and time as LastScanTime stores it.
  [[nodiscard]] virtual std::string NowText() = 0;
  [[nodiscard]] virtual std::chrono::steady_clock::time_point Now() = 0;
  // Called as a scan starts, before anything is searched.
  virtual void ScanStarting() {}
};

class ScanSession final : private SearchListener {
 public:
  // `ignored` tells the values the user never wants listed; it is asked
  // once per find, and ScanServices::ScanStarting runs before every walk so
  // its owner can read the list again. `environment` expands the
  // variables of the texts found (see InvalidReferenceRule).
  ScanSession(RegistryReader& registry, FileSystem& fs, ScanView& view, ScanServices& services,
              IgnoredValue ignored = {}, const Environment* environment = nullptr);
  ~ScanSession() override;

  // The window's load steps that concern the session.
  void Load();
  // A click of CommandStart, or the first tick of TimerRunScan. Returns when
  // the search has finished. Ignored while a walk is still on the stack.
  void Start();
  // A click of CommandStop, during one of the search's yields.
  void Stop();
  enum class CloseAnswer { kClose, kRefused, kAfterWalk };
  // Return or exit: refused with a message while a scan runs; after Stop,
  // the close waits until the stopped walk has wound down.
  [[nodiscard]] CloseAnswer RequestClose();
  // True once a deferred close may happen (the walk has returned).
  [[nodiscard]] bool ClosePending() const { return close_pending_ && !walking_; }

  // The categories the main window's ticked boxes name; the next scan lists
  // only their rows (and those of no category while any is ticked).
  void SetCategories(CategorySet categories) { rule_.SetCategories(categories); }

  // The user ticked or cleared a row's mark in the list.
  void UserChecked(std::size_t row, bool checked) {
    if (row < rows_.Count()) rows_.Rows()[row].checked = checked;
  }

  [[nodiscard]] bool Scanning() const { return stop_enabled_; }
  [[nodiscard]] bool Walking() const { return walking_; }
  [[nodiscard]] ErrorList& Rows() { return rows_; }
  [[nodiscard]] const std::string& Drive() const { return rule_.Drive(); }

 private:
  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view value_name) override;
  int SearchKeyChanged(std::string_view full) override;
  void SearchFinished(std::int32_t reason) override;
  void TickRows();
  // The records of the last scan: rows found, when, and per category; Stop
  // lets the window repaint between the first two, `yielding`.
  void WriteScanRecords(bool yielding);

  RegistryReader& registry_;  // also asked for a service's start type
  ScanView& view_;
  ScanServices& services_;
  InvalidReferenceRule rule_;
  cRegSearch search_;
  ErrorList rows_;
  bool stop_enabled_ = false;
  bool walking_ = false;
  bool close_pending_ = false;
  bool key_shown_ = false;
  std::chrono::steady_clock::time_point last_key_change_{};
};

}  // namespace qm
