// What the scan window's list shows: the error list's rows and their ticks,
// and the colours a repair gives them. The repair run reports to it, so the
// marks it sets land on the rows the list draws and nowhere else.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "repair/repair_run.h"
#include "scan/scan_session.h"
#include "shell/check_list.h"

namespace qm::app {

struct SystemServices;

class ScanListRows final : public shell::CheckRows, private RepairView, private MessageService {
 public:
  // Once the window, its session and its list exist: the session owns the
  // rows, `view` shows the repair's status and count, `owner` its messages.
  void Bind(ScanSession& session, ScanView& view, shell::CheckList& list, HWND owner);

  // shell::CheckRows
  [[nodiscard]] std::size_t Count() const override;
  [[nodiscard]] std::string_view Cell(std::size_t row, int column) const override;
  [[nodiscard]] bool Checked(std::size_t row) const override;
  void SetChecked(std::size_t row, bool on) override;
  [[nodiscard]] COLORREF MarkColour(std::size_t row) const override;

  // A new scan's rows have no colour yet.
  void ClearColours() { colours_.clear(); }
  // Drops the colours of rows the error list no longer holds.
  void TrimColours();
  // The one place rows leave the list after a scan: they go with their
  // colours, so no colour moves onto the row after them.
  void RemoveIf(const std::function<bool(const RegErrorRow&)>& gone);

  // Deletes the ticked rows through the system's services; the list shows
  // each row's outcome in its colour.
  void Repair(SystemServices& system);
  [[nodiscard]] bool Repairing() const { return repairing_; }

 private:
  // RepairView and MessageService, for the repair run.
  void SetStatusText(std::string_view text) override;
  void SetRepairCount(std::string_view text) override;
  void MarkRow(std::size_t index, std::string_view text, RowColour colour) override;
  void ColourRow(std::size_t index, RowColour colour) override;
  void Show(std::string_view text, int style) override;

  ScanSession* session_ = nullptr;
  ScanView* view_ = nullptr;
  shell::CheckList* list_ = nullptr;
  HWND owner_ = nullptr;
  // Column 0's text colour per row once a repair has coloured them; rows
  // past its end are in the window text colour.
  std::vector<COLORREF> colours_;
  bool repairing_ = false;
};

}  // namespace qm::app
