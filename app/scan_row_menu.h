// The scan window's context menu of a row and its actions: copy the row,
// open its key in the registry editor, leave its value or its whole key out
// of this and every later scan. The ignore list it writes to is the one the
// scan filters with, so it is kept here and read anew before every scan.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "profile/ignore_list.h"
#include "scan/scan_session.h"

namespace qm::app {

struct SystemServices;

// The commands of a row's context menu.
inline constexpr UINT kMenuCopy = 1;
inline constexpr UINT kMenuOpenInEditor = 2;
inline constexpr UINT kMenuIgnoreValue = 3;
inline constexpr UINT kMenuIgnoreKey = 4;

class ScanRowMenu {
 public:
  using RowFilter = std::function<bool(const RegErrorRow&)>;

  // Messages go through `services`; `remove_rows` takes the rows an ignore
  // left out off the window's list.
  ScanRowMenu(SystemServices& system, ScanServices& services,
              std::function<void(const RowFilter&)> remove_rows)
      : system_(system), services_(services), remove_rows_(std::move(remove_rows)) {}

  // Reads every ignore list anew; one that cannot be read filters nothing
  // and the user is told.
  void ReloadIgnoreList();
  [[nodiscard]] bool Ignores(std::string_view root, std::string_view key,
                             std::string_view name) const {
    return ignore_.Covers(root, key, name);
  }

  // Opens the menu of `rows`' row `row` at the screen point `at`, and does
  // what is chosen. While `busy` (a repair runs) nothing may be ignored.
  void Open(HWND owner, ErrorList& rows, std::size_t row, POINT at, bool busy);

  // For tests: see FormRepair.
  void SetChooser(std::function<UINT(HMENU, POINT)> chooser) { chooser_ = std::move(chooser); }
  void SetEditorStarter(std::function<std::uint32_t()> starter) {
    editor_starter_ = std::move(starter);
  }

 private:
  void CopyRow(HWND owner, const RegErrorRow& r);
  void OpenRowInEditor(const RegErrorRow& r);
  void IgnoreRow(RegErrorRow r, bool whole_key);

  SystemServices& system_;
  ScanServices& services_;
  std::function<void(const RowFilter&)> remove_rows_;
  IgnoreList ignore_;
  std::function<UINT(HMENU, POINT)> chooser_;
  std::function<std::uint32_t()> editor_starter_;
};

}  // namespace qm::app
