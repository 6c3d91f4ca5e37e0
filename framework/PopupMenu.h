// The first pop-up of a menu resource, loaded for one showing and destroyed
// with this object.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "framework/Handles.h"

class CPopupMenu {
 public:
  bool Load(HINSTANCE instance, UINT menuId);
  HMENU hmenu() const { return m_hPopup; }
  // Shown bold; the command a double-click would give.
  void SetDefaultItem(UINT command) { SetMenuDefaultItem(m_hPopup, command, FALSE); }
  bool SetItemText(UINT command, const char* text);
  // Shows the menu at a screen point; the choice arrives later as WM_COMMAND to the owner.
  void Track(HWND owner, POINT at, UINT flags = TPM_RIGHTBUTTON);

 private:
  CScopedMenu m_menu;
  HMENU m_hPopup = nullptr;  // part of m_menu
};
