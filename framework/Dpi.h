// Sizes at any screen scale. Lengths the program draws are designed at 96 DPI
// and scaled to the DPI of the window that shows them; stored sizes stay at 96.
#pragma once
#include <winsock2.h>
#include <windows.h>

constexpr int kDesignDpi = 96;

// A length designed at 96 DPI, at dpi (rounded to the nearest pixel).
inline int ScaleToDpi(int length, int dpi) {
  return MulDiv(length, dpi, kDesignDpi);
}
// A length measured at dpi, brought back to 96 DPI: what the settings keep.
inline int ScaleFromDpi(int length, int dpi) {
  return MulDiv(length, kDesignDpi, dpi);
}

// Pictures are drawn at 100, 150 and 200 %: the largest that is not blown up
// by more than a little at dpi (125 % keeps the 100 % pictures, sharp rather than smeared).
int PictureScale(int dpi);
// One of three resources drawn at 100, 150 and 200 %, for dpi.
UINT PictureForDpi(int dpi, UINT at100, UINT at150, UINT at200);

// The DPI a window is shown at: its own, where Windows keeps one per window (10,
// version 1607 on); else its monitor's (8.1); else the system's. Never 0.
int WindowDpi(HWND window);
// The DPI of the primary screen when the program started.
int SystemDpi();
// A system metric (SM_CXSMICON, ...) at dpi.
int SystemMetricForDpi(int index, int dpi);
// The system's fonts and bar sizes, at 96 DPI where Windows can give them (10,
// version 1607 on), else at the system's DPI; dpi says which. False on failure.
bool GetNonClientMetrics(NONCLIENTMETRICSW& metrics, int& dpi);
// Whether the dialog manager scales a dialog when its DPI changes (Windows 10, version 1703 on,
// per-monitor v2); before, a dialog must at least take the size WM_DPICHANGED suggests.
bool DialogsFollowDpi();
// The new DPI that WM_DPICHANGED announces: the window's size and pictures follow it.
inline int DpiFromDpiChanged(WPARAM wp) {
  return HIWORD(wp);
}
