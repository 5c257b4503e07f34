// A report list whose rows and check marks live in its owner's model: the
// list is of owner data, asks the model for every cell, mark and colour it
// draws, and ticking a box (click, space, or a tool setting the state)
// changes the model, never the list alone. The scan window shows its finds
// in one.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string_view>

#include "platform/win32/window_base.h"
#include "shell/form.h"
#include "shell/report_list.h"

namespace qm::shell {

// The rows a CheckList shows, as its owner keeps them.
class CheckRows {
 public:
  [[nodiscard]] virtual std::size_t Count() const = 0;
  // UTF-8; what the cell shows. Columns past the last are never asked for.
  [[nodiscard]] virtual std::string_view Cell(std::size_t row, int column) const = 0;
  [[nodiscard]] virtual bool Checked(std::size_t row) const = 0;
  // The user (or a tool) ticked or cleared the row's box.
  virtual void SetChecked(std::size_t row, bool on) = 0;
  // The first column's text colour; the others are in the window text colour.
  [[nodiscard]] virtual COLORREF MarkColour(std::size_t row) const = 0;

 protected:
  ~CheckRows() = default;
};

struct CheckListEvents {
  std::function<void(int row)> row_focused;  // the focus moved to a row
  std::function<void()> focus_lost;          // the list lost the keyboard focus
  // The context menu was asked for over a row, to open at the screen point.
  std::function<void(int row, POINT at)> context_menu;
};

class CheckList final : private win32::WindowBase {
 public:
  explicit CheckList(CheckRows& rows) : rows_(rows) {}
  ~CheckList() override { Detach(); }

  // Adds the list to `form`; false when it could not be created (the form
  // works on without it).
  bool Create(Form& form, std::string_view name, TwipsRect place,
              std::initializer_list<ReportColumn> columns, HFONT font);
  [[nodiscard]] HWND Handle() const { return hwnd_; }
  [[nodiscard]] CheckListEvents& Events() { return events_; }

  // The form hands over its children's messages (Form::OnChildMessage);
  // true when this answered one of the list's, with `result`.
  bool OnParentMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  // Tells the list how many rows the model holds now, after rows were added
  // or removed; the list asks for what it shows of them.
  void Sync();
  void RedrawRow(std::size_t row);
  // Every row is drawn anew (the marks changed in the model).
  void RedrawAll();
  // The mark as the list reports it (to tests and other processes).
  [[nodiscard]] bool RowChecked(std::size_t row) const;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  [[nodiscard]] LRESULT OnNotify(NMHDR& hdr);
  void AnswerDisplayInfo(LVITEMW& item);
  [[nodiscard]] LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void ShowMenu(LPARAM lp);
  void ToggleRow(int row);
  void SetRowsChecked(int row, UINT state_image);

  CheckRows& rows_;
  CheckListEvents events_;
};

}  // namespace qm::shell
