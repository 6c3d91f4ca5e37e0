// List-view wrapper.
#include "framework/ListView.h"

#include <vector>

int CListView::InsertColumn(int index, const char* title, int width, int format) {
  LVCOLUMNA column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<char*>(title ? title : "");
  column.iSubItem = index;
  return static_cast<int>(
      SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int CListView::GetColumnCount() const {
  HWND header = reinterpret_cast<HWND>(SendMessageA(m_hWnd, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void CListView::ScaleColumnWidths(int fromDpi, int toDpi) {
  if (fromDpi <= 0 || fromDpi == toDpi) return;
  for (int i = GetColumnCount() - 1; i >= 0; --i)
    SetColumnWidth(i, MulDiv(GetColumnWidth(i), toDpi, fromDpi));
}

int CListView::InsertItem(int index, const char* text, LPARAM data) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(text ? text : "");
  item.lParam = data;
  return static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetItemText(int item, int column, const char* text) {
  LVITEMA lv = {};
  lv.iSubItem = column;
  lv.pszText = const_cast<char*>(text ? text : "");
  return SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)) !=
         0;
}

bool CListView::SetItemText(int item, int column, const wchar_t* text) {
  LVITEMW lv = {};
  lv.iSubItem = column;
  lv.pszText = const_cast<wchar_t*>(text ? text : L"");
  return SendMessageW(m_hWnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)) !=
         0;
}

std::string CListView::GetItemText(int item, int column) const {
  // The control reports only how much it copied: grow until the text fits with room to spare.
  for (size_t size = 256;; size *= 2) {
    std::vector<char> buffer(size, '\0');
    LVITEMA lv = {};
    lv.iSubItem = column;
    lv.pszText = buffer.data();
    lv.cchTextMax = static_cast<int>(size);
    LRESULT copied =
        SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
    if (copied < static_cast<LRESULT>(size) - 1 || size >= 65536) return std::string(lv.pszText);
  }
}

LPARAM CListView::GetItemData(int item) const {
  LVITEMA lv = {};
  lv.mask = LVIF_PARAM;
  lv.iItem = item;
  if (!SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv))) return 0;
  return lv.lParam;
}

bool CListView::SetItemState(int item, UINT state, UINT mask) {
  LVITEMA lv = {};
  lv.state = state;
  lv.stateMask = mask;
  return SendMessageA(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)) !=
         0;
}

void CListView::Select(int item) {
  const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
  SetItemState(item, both, both);
  SendMessageA(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}
