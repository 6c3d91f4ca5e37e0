// Pop-up menus from resources.
#include "framework/PopupMenu.h"

bool CPopupMenu::Load(HINSTANCE instance, UINT menuId) {
  m_menu.Reset(LoadMenuA(instance, MAKEINTRESOURCEA(menuId)));
  m_hPopup = m_menu.Get() ? GetSubMenu(m_menu.Get(), 0) : nullptr;
  return m_hPopup != nullptr;
}

bool CPopupMenu::SetItemText(UINT command, const char* text) {
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STRING;
  item.dwTypeData = const_cast<char*>(text);
  return SetMenuItemInfoA(m_hPopup, command, FALSE, &item) != 0;
}

void CPopupMenu::Track(HWND owner, POINT at, UINT flags) {
  if (!m_hPopup) return;
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  TrackPopupMenu(m_hPopup, flags, at.x, at.y, 0, owner, nullptr);
  // A message to the owner lets the next right-click open a menu again
  // instead of only closing this one.
  PostMessageA(owner, WM_NULL, 0, 0);
}
