// The tip of a list's rows: under the pointer while it rests on a row, and
// below the focused row when the keyboard moves there. The scan window shows
// there what its columns cut off.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "shell/form.h"

namespace qm::shell {

class RowTip {
 public:
  // How often the pointer is looked at (see Tick).
  static constexpr UINT kIntervalMs = 100;
  // A row's text (UTF-8), or nothing for a row that is no longer there.
  using TextOf = std::function<std::optional<std::string>(int row)>;

  // The tip window is the form's, which destroys it with its own.
  RowTip(Form& form, TextOf text) : form_(form), text_(std::move(text)) {}
  RowTip(const RowTip&) = delete;
  RowTip& operator=(const RowTip&) = delete;

  // Makes the tip window for `list` (a child of the form); without it the
  // list works on, only tipless.
  void Create(HWND list, HFONT font);
  // The owner's timer, every kIntervalMs: follows the pointer.
  void Tick();
  // The keyboard reached `row`: its tip shows below it.
  void ShowBelowRow(int row);
  // The list lost the focus: a tip the keyboard opened goes.
  void FocusLost();
  void Hide();

  // For tests: the tip as its window holds it, and whether it shows.
  [[nodiscard]] std::string Text() const;
  [[nodiscard]] bool Shown() const;

 private:
  void Show(int row, POINT screen);

  Form& form_;
  TextOf text_;
  HWND list_ = nullptr;
  HWND tip_ = nullptr;
  int row_ = -1;  // the row shown, -1 when hidden
  bool by_pointer_ = false;
};

}  // namespace qm::shell
