// Readers of another process's common controls. Their messages carry pointers,
// which the system does not carry across processes, so each structure is
// placed in a block of the owner's memory (CRemoteBuffer). The structures hold
// pointers of their own: both programs must be of one architecture, as a test
// build and the program it drives are.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

// The texts of every row of a report-view list, one entry per column.
std::vector<std::vector<std::string>> ListViewRows(HWND listView);
// The same as the control holds them, in UTF-16.
std::vector<std::vector<std::wstring>> ListViewRowsW(HWND listView);
// The indexes of the selected rows.
std::vector<int> ListViewSelection(HWND listView);

struct ToolbarButton {
  int id;
  bool enabled;
  bool checked;
  std::string text;
};
// The toolbar's buttons in order, separators left out.
std::vector<ToolbarButton> ToolbarButtons(HWND toolbar);

// The texts of a status bar's parts.
std::vector<std::string> StatusBarTexts(HWND statusBar);
// Selects exactly these rows of a list (as a click and shift-clicks would).
bool SelectListViewRows(HWND listView, const std::vector<int>& rows);
// A heading's rectangle in its header control's client area.
bool HeadingRect(HWND listView, int column, RECT& client);
