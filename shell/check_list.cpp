#include "shell/check_list.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/win32/wide.h"

namespace qm::shell {

bool CheckList::Create(Form& form, std::string_view name, TwipsRect place,
                       std::initializer_list<ReportColumn> columns, HFONT font) {
  const HWND list = AddReportList(form, name, place, columns, LVS_EX_CHECKBOXES, LVS_OWNERDATA);
  if (list == nullptr) return false;
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // The check boxes are the rows' marks: with the state image in the
  // callback mask the list asks for it wherever it draws or is asked for a
  // state, from this process or another.
  ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
  // A list of owner data does not keep the marks it is told to set, so the
  // request to set one (from a tool or a test driving the window) is caught
  // on its way in.
  Subclass(list);
  return true;
}

LRESULT CheckList::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == LVM_SETITEMSTATE && lp != 0) {
    const auto& item = *reinterpret_cast<const LVITEMW*>(lp);
    if (item.stateMask & LVIS_STATEIMAGEMASK) {
      SetRowsChecked(static_cast<int>(wp), item.state & LVIS_STATEIMAGEMASK);
    }
  }
  return CallPrevious(msg, wp, lp);
}

// The list's notifications are answered in the form's own procedure, not in
// the subclass: the list sends several for every row it draws, and they
// reach the parent anyway.
bool CheckList::OnParentMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (hwnd_ == nullptr) return false;
  if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == hwnd_) {
    ShowMenu(lp);
    result = 0;
    return true;
  }
  if (msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(lp);
  if (hdr->hwndFrom != hwnd_) return false;
  result = OnNotify(*hdr);
  return true;
}

LRESULT CheckList::OnNotify(NMHDR& hdr) {
  switch (hdr.code) {
    case NM_CUSTOMDRAW:
      return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(hdr));
    case LVN_GETDISPINFOW:
      AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW&>(hdr).item);
      return 0;
    case LVN_ITEMCHANGED: {
      // A mark set for all rows at once reaches the list's own handling and
      // comes back here; so would a mark the list set itself.
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
      if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_STATEIMAGEMASK)) {
        SetRowsChecked(change.iItem, change.uNewState & LVIS_STATEIMAGEMASK);
      }
      if ((change.uNewState & LVIS_FOCUSED) != 0 && (change.uOldState & LVIS_FOCUSED) == 0 &&
          events_.row_focused) {
        events_.row_focused(change.iItem);
      }
      return 0;
    }
    case NM_KILLFOCUS:
      if (events_.focus_lost) events_.focus_lost();
      return 0;
    case NM_CLICK: {
      // The list leaves ticking a check box of owner data to its owner.
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(hdr);
      LVHITTESTINFO hit{};
      hit.pt = click.ptAction;
      if (ListView_SubItemHitTest(hwnd_, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
        ToggleRow(hit.iItem);
      }
      return 0;
    }
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey == VK_SPACE) {
        ToggleRow(ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED));
      }
      return 0;
    default:
      return 0;
  }
}

void CheckList::AnswerDisplayInfo(LVITEMW& item) {
  if (item.iItem < 0) return;
  const auto index = static_cast<std::size_t>(item.iItem);
  if (index >= rows_.Count()) return;
  if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
    const std::wstring w = win32::Widen(rows_.Cell(index, item.iSubItem));
    const std::size_t n = std::min(w.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    w.copy(item.pszText, n);
    item.pszText[n] = L'\0';
  }
  if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_STATEIMAGEMASK)) {
    item.state =
        (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(rows_.Checked(index) ? 2 : 1);
  }
}

LRESULT CheckList::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
      draw.clrText = draw.iSubItem == 0 && row < rows_.Count() ? rows_.MarkColour(row)
                                                               : GetSysColor(COLOR_WINDOWTEXT);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

// The row under the pointer, or the selected one (menu key, Shift+F10:
// lParam -1), with the point the menu opens at.
void CheckList::ShowMenu(LPARAM lp) {
  int row = -1;
  POINT at{};
  if (lp == -1) {
    row = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
    if (row < 0) row = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    RECT box{};
    if (row >= 0 && ListView_GetItemRect(hwnd_, row, &box, LVIR_BOUNDS)) {
      at = {box.left + 24, box.bottom};
      ClientToScreen(hwnd_, &at);
    }
  } else {
    at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    LVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(hwnd_, &hit.pt);
    row = ListView_HitTest(hwnd_, &hit);
  }
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.Count()) return;
  if (events_.context_menu) events_.context_menu(row, at);
}

void CheckList::ToggleRow(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.Count()) return;
  SetRowsChecked(row, INDEXTOSTATEIMAGEMASK(rows_.Checked(static_cast<std::size_t>(row)) ? 1 : 2));
}

// Image 1 is the empty box, 2 the ticked one; row -1 stands for every row.
void CheckList::SetRowsChecked(int row, UINT state_image) {
  const UINT image = state_image >> 12;
  if (image != 1 && image != 2) return;
  const std::size_t count = rows_.Count();
  if (row < 0) {
    for (std::size_t i = 0; i < count; ++i) rows_.SetChecked(i, image == 2);
    RedrawAll();
  } else if (static_cast<std::size_t>(row) < count) {
    rows_.SetChecked(static_cast<std::size_t>(row), image == 2);
    ListView_RedrawItems(hwnd_, row, row);
  }
}

void CheckList::Sync() {
  if (hwnd_ == nullptr) return;
  // Only the rows that came into view are drawn, and the view stays where
  // the user scrolled it; rows that went are drawn over.
  const std::size_t count = rows_.Count();
  const auto before = static_cast<std::size_t>(ListView_GetItemCount(hwnd_));
  ListView_SetItemCountEx(hwnd_, static_cast<int>(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  if (count < before) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CheckList::RedrawRow(std::size_t row) {
  ListView_RedrawItems(hwnd_, static_cast<int>(row), static_cast<int>(row));
}

void CheckList::RedrawAll() {
  InvalidateRect(hwnd_, nullptr, FALSE);
}

bool CheckList::RowChecked(std::size_t row) const {
  return ListView_GetCheckState(hwnd_, static_cast<int>(row)) != FALSE;
}

}  // namespace qm::shell
