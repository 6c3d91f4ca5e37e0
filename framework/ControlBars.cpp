// Status bar and the bar layout.
#include "framework/ControlBars.h"

#include <commctrl.h>

#include "framework/App.h"

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
