// Control bars along a window's edges: the status bar, and the layout that
// lets every bar in an id range place itself after a size change.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

// Ids of the control bars: the status bar sits at 0xE801, the range is 0xE800 to 0xE8FF.
constexpr UINT kFirstControlBar = 0xE800;
constexpr UINT kLastControlBar = 0xE8FF;
constexpr UINT kStatusBarId = 0xE801;

// Asks every child whose id lies in [first, last] to fit itself to the parent's client area.
void RepositionBars(HWND parent, UINT first = kFirstControlBar, UINT last = kLastControlBar);

// A toolbar along the top edge with tooltips. Its pictures come from strips
// drawn at 100, 150 and 200 %, square cells side by side; they and the buttons
// follow the DPI the window gives (at creation and on WM_DPICHANGED).
class CToolBar {
 public:
  struct Pictures {
    UINT strips[3];  // bitmap resources at 100, 150 and 200 %
    int cell;        // a cell's side at 100 %, in pixels
    int count;       // cells in a strip
  };

  // A visible child; false if it cannot be made.
  bool Create(HWND parent, UINT id = kFirstControlBar);
  // One button per command, showing the picture of its place in the strip.
  bool AddButtons(const int* commands, int count);
  // The pictures and the buttons at dpi. False, and the pictures as they were, when the strip cannot be
  // loaded.
  bool SetPictures(HINSTANCE instance, const Pictures& pictures, int dpi);
  HWND hwnd() const { return m_hWnd; }

 private:
  struct ImageListDeleter {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
  };

  HWND m_hWnd = nullptr;  // owned by the parent window
  // The toolbar does not destroy the image list it is given; this does, after the window has gone.
  std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter> m_images;
};

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
