// Status bar and the bar layout.
#include "framework/ControlBars.h"

#include <commctrl.h>

#include <vector>

#include "framework/App.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"

namespace {
struct BarRange {
  HWND parent;
  UINT first, last;
};

BOOL CALLBACK RepositionOne(HWND child, LPARAM lp) {
  const BarRange* range = reinterpret_cast<const BarRange*>(lp);
  UINT id = static_cast<UINT>(GetDlgCtrlID(child));
  // Only direct children: bars of nested windows place themselves.
  if (GetParent(child) == range->parent && id >= range->first && id <= range->last)
    SendMessageA(child, WM_SIZE, 0, 0);  // bars measure the parent themselves
  return TRUE;
}
}  // namespace

void RepositionBars(HWND parent, UINT first, UINT last) {
  BarRange range{parent, first, last};
  EnumChildWindows(parent, RepositionOne, reinterpret_cast<LPARAM>(&range));
}

bool CToolBar::Create(HWND parent, UINT id) {
  m_hWnd = CreateWindowExA(
      0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | CCS_TOP | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0,
      0, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppInstance(), nullptr);
  if (m_hWnd) SendMessageA(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  return m_hWnd != nullptr;
}

bool CToolBar::AddButtons(const int* commands, int count) {
  std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    buttons[i].iBitmap = i;
    buttons[i].idCommand = commands[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  bool added = SendMessageA(m_hWnd, TB_ADDBUTTONSA, static_cast<WPARAM>(count),
                            reinterpret_cast<LPARAM>(buttons.data())) != 0;
  SendMessageA(m_hWnd, TB_AUTOSIZE, 0, 0);
  return added;
}

bool CToolBar::SetPictures(HINSTANCE instance, const Pictures& pictures, int dpi) {
  const int scale = PictureScale(dpi);
  const UINT strip = PictureForDpi(dpi, pictures.strips[0], pictures.strips[1], pictures.strips[2]);
  const int cell = pictures.cell * scale / 100;
  // A DIB section keeps the strip's alpha, which the 32-bit image list draws with.
  CScopedGdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(strip), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap.Get()) return false;
  decltype(m_images) images(ImageList_Create(cell, cell, ILC_COLOR32, pictures.count, 0));
  if (!images || ImageList_Add(images.get(), bitmap.Get(), nullptr) < 0) return false;
  SendMessageA(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  m_images = std::move(images);
  // The space around a picture grows with the screen's scale as the picture does.
  SendMessageA(m_hWnd, TB_SETPADDING, 0, MAKELPARAM(ScaleToDpi(7, dpi), ScaleToDpi(6, dpi)));
  SendMessageA(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(cell + ScaleToDpi(7, dpi), cell + ScaleToDpi(6, dpi)));
  SendMessageA(m_hWnd, TB_AUTOSIZE, 0, 0);
  return true;
}

bool CStatusBar::Create(HWND parent, UINT id) {
  m_hWnd =
      CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, 0, 0, 0,
                      0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppInstance(), nullptr);
  return m_hWnd != nullptr;
}

bool CStatusBar::SetText(int part, const char* text) {
  return SendMessageA(m_hWnd, SB_SETTEXTA, static_cast<WPARAM>(part),
                      reinterpret_cast<LPARAM>(text ? text : "")) != 0;
}

bool CStatusBar::SetParts(int count, const int* rightEdges) {
  return SendMessageA(m_hWnd, SB_SETPARTS, static_cast<WPARAM>(count),
                      reinterpret_cast<LPARAM>(rightEdges)) != 0;
}
