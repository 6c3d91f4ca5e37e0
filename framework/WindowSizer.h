// CWindowSizer: the layout every resizable window of the program shares. The
// margins around its main area are measured once, from the template; the
// window takes its stored size, which is kept at 96 DPI so that it means the
// same at every scale; the main area then fills the window whatever its size
// and DPI, and the control bars go where they belong.
#pragma once
#include <winsock2.h>
#include <windows.h>

class CWindowSizer {
 public:
  // From WM_INITDIALOG: area is the control whose place the main area takes.
  void Attach(HWND window, HWND area);
  // The template's outer size at 96 DPI (the default to store), times the
  // factors given, for a window that starts with more in it than its template.
  SIZE DefaultSize(int widthPercent = 100, int heightPercent = 100) const;
  // Gives the window an outer size stored at 96 DPI.
  void Restore(SIZE stored);
  // The window's outer size now, at 96 DPI: what to store.
  SIZE StoredSize() const;
  // The main area's size for the window's size now (never negative).
  SIZE AreaSize() const;
  // WM_DPICHANGED: the template's margins follow the new scale.
  void OnDpiChanged(int dpi);

 private:
  HWND m_hWnd = nullptr;
  int m_nDpi = 96;
  SIZE m_margin = {0, 0};
  SIZE m_template = {0, 0};
};
