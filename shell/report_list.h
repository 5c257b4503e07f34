// A report-style list view with column headers, as the scan window and the
// backup manager show their rows.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <initializer_list>
#include <string_view>

#include "shell/form.h"

namespace qm::shell {

struct ReportColumn {
  const char* header;  // UTF-8
  int width_twips;
};

// Adds the list to `form` at `place` with the columns in order; `ex_style`
// takes list-view extended styles such as LVS_EX_CHECKBOXES, `style` further
// window styles such as LVS_OWNERDATA (which cannot be set later). nullptr
// when the list could not be created.
HWND AddReportList(Form& form, std::string_view name, TwipsRect place,
                   std::initializer_list<ReportColumn> columns, DWORD ex_style, DWORD style = 0);

}  // namespace qm::shell
