// A list-view control in report view: columns, rows that each carry a number
// of the caller's (LPARAM item data), and the selection.
#pragma once
#include "framework/Controls.h"

class CListView : public CControl {
 public:
  void SetExtendedStyle(DWORD style) { SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }
  // Returns the column's index, -1 on failure.
  int InsertColumn(int index, const char* title, int width, int format = LVCFMT_LEFT);
  int GetColumnWidth(int index) const {
    return static_cast<int>(SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index), 0));
  }
  bool SetColumnWidth(int index, int width) {
    return SendMessageA(m_hWnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), MAKELPARAM(width, 0)) != 0;
  }
  int GetColumnCount() const;
  // Every column's width from one DPI to another, as the window's DPI changes.
  void ScaleColumnWidths(int fromDpi, int toDpi);

  int GetItemCount() const { return static_cast<int>(SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }
  // A row at index (at the end when index is past it) with its first column's
  // text; returns where it went, -1 on failure.
  int InsertItem(int index, const char* text, LPARAM data);
  bool SetItemText(int item, int column, const char* text);
  // Any script, whatever the system's code page.
  bool SetItemText(int item, int column, const wchar_t* text);
  std::string GetItemText(int item, int column) const;
  LPARAM GetItemData(int item) const;
  bool DeleteItem(int item) {
    return SendMessageA(m_hWnd, LVM_DELETEITEM, static_cast<WPARAM>(item), 0) != 0;
  }
  bool DeleteAllItems() { return SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0) != 0; }

  // The next row after start (-1: from the top) with all of the given state; -1 when none.
  int GetNextItem(int start, UINT flags = LVNI_SELECTED) const {
    return static_cast<int>(
        SendMessageA(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
  }
  int GetSelected() const { return GetNextItem(-1, LVNI_SELECTED); }
  bool SetItemState(int item, UINT state, UINT mask);
  // Selects and focuses the row and scrolls it into view.
  void Select(int item);
};
