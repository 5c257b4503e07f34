#include "app/scan_list_rows.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "app/system_services.h"
#include "scan/categories.h"
#include "scan/system_settings.h"
#include "shell/services.h"

namespace qm::app {

namespace {

// Dark orange: the system's own settings, listed but not ticked.
constexpr COLORREF kSystemSettingColour = RGB(204, 102, 0);

COLORREF ToColorRef(RowColour c) {
  return RGB(c.red, c.green, c.blue);
}

}  // namespace

void ScanListRows::Bind(ScanSession& session, ScanView& view, shell::CheckList& list, HWND owner) {
  session_ = &session;
  view_ = &view;
  list_ = &list;
  owner_ = owner;
}

std::size_t ScanListRows::Count() const {
  return session_ == nullptr ? 0 : session_->Rows().Count();
}

std::string_view ScanListRows::Cell(std::size_t row, int column) const {
  const RegErrorRow& r = session_->Rows().Rows()[row];
  const std::string_view cells[] = {KindCellText(r), r.root, r.key, r.value,
                                    NameOf(r.category).label};
  return column >= 0 && column < static_cast<int>(std::size(cells)) ? cells[column]
                                                                    : std::string_view();
}

bool ScanListRows::Checked(std::size_t row) const {
  return session_->Rows().Rows()[row].checked;
}

void ScanListRows::SetChecked(std::size_t row, bool on) {
  session_->UserChecked(row, on);
}

COLORREF ScanListRows::MarkColour(std::size_t row) const {
  // A system setting's mark stands out until a repair colours the row.
  return row < colours_.size()                         ? colours_[row]
         : session_->Rows().Rows()[row].system_setting ? kSystemSettingColour
                                                       : GetSysColor(COLOR_WINDOWTEXT);
}

void ScanListRows::TrimColours() {
  const std::size_t count = Count();
  if (colours_.size() > count) colours_.resize(count);
}

void ScanListRows::RemoveIf(const std::function<bool(const RegErrorRow&)>& gone) {
  auto& rows = session_->Rows().Rows();
  // The colours go with their rows; the list holds nothing of its own.
  for (std::size_t i = std::min(rows.size(), colours_.size()); i-- > 0;) {
    if (gone(rows[i])) colours_.erase(colours_.begin() + static_cast<long>(i));
  }
  (void)session_->Rows().RemoveIf(gone);
}

void ScanListRows::Repair(SystemServices& system) {
  // The marks the list shows are the rows' own: the run reads them there.
  const auto& rows = session_->Rows().Rows();
  colours_.assign(rows.size(), GetSysColor(COLOR_WINDOWTEXT));
  repairing_ = true;
  RepairServices services = system.Repair(system.profile, *this, *this);
  const RepairReport report = RunRepair(rows, services);
  (void)report;
  repairing_ = false;
}

void ScanListRows::SetStatusText(std::string_view text) {
  view_->SetCurrentKey(std::string(text));
}

void ScanListRows::SetRepairCount(std::string_view text) {
  view_->SetRepairCount(std::string(text));
}

void ScanListRows::MarkRow(std::size_t index, std::string_view text, RowColour colour) {
  auto& rows = session_->Rows().Rows();
  if (index < rows.size()) rows[index].kind = std::string(text);
  ColourRow(index, colour);
}

void ScanListRows::ColourRow(std::size_t index, RowColour colour) {
  if (index < colours_.size()) colours_[index] = ToColorRef(colour);
  list_->RedrawRow(index);
}

void ScanListRows::Show(std::string_view text, int style) {
  shell::ShowMessage(owner_, text, static_cast<UINT>(style));
}

}  // namespace qm::app
