// Control bars along a window's edges: the status bar, and the layout that
// lets every bar in an id range place itself after a size change.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

// Ids of the control bars: the status bar sits at 0xE801, the range is 0xE800 to 0xE8FF.
constexpr UINT kFirstControlBar = 0xE800;
constexpr UINT kLastControlBar = 0xE8FF;
constexpr UINT kStatusBarId = 0xE801;

// Asks every child whose id lies in [first, last] to fit itself to the parent's client area.
void RepositionBars(HWND parent, UINT first = kFirstControlBar, UINT last = kLastControlBar);

class CStatusBar {
 public:
  // A visible child along the bottom edge with a sizing grip; false if it cannot be made.
  bool Create(HWND parent, UINT id = kStatusBarId);
  bool SetText(int part, const char* text);
  bool SetParts(int count, const int* rightEdges);
  HWND hwnd() const { return m_hWnd; }

 private:
  HWND m_hWnd = nullptr;  // owned by the parent window
};
