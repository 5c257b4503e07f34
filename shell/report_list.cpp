#include "shell/report_list.h"

#include <string>

#include "platform/win32/wide.h"

namespace qm::shell {

HWND AddReportList(Form& form, std::string_view name, TwipsRect place,
                   std::initializer_list<ReportColumn> columns, DWORD ex_style, DWORD style) {
  const HWND list = form.AddChild(
      name, WC_LISTVIEWW,
      WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | style, 0, place);
  if (list == nullptr) return nullptr;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | ex_style);
  int index = 0;
  for (const ReportColumn& c : columns) {
    std::wstring header = win32::Widen(c.header);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = header.data();
    col.cx = TwipsToPixels(c.width_twips);
    col.iSubItem = index;
    ListView_InsertColumn(list, index++, &col);
  }
  return list;
}

}  // namespace qm::shell
