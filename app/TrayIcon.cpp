// The notification-area icon.
#include "app/TrayIcon.h"

#include "framework/PopupMenu.h"

UINT CTrayIcon::s_nTaskbarCreated = 0;

CTrayIcon::CTrayIcon() {
  ZeroMemory(&m_data, sizeof m_data);
  // The version-2 layout: tooltip of 128, balloon fields, no GUID; every shell
  // since Windows 2000 accepts it.
  m_data.cbSize = NOTIFYICONDATAA_V2_SIZE;
}

CTrayIcon::~CTrayIcon() {
  RemoveIcon();
}

bool CTrayIcon::AddIcon(HINSTANCE instance, HWND window, UINT id, UINT callbackMessage) {
  m_hOwner = window;
  m_hInstance = instance;
  m_data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  m_data.hWnd = window;
  m_data.uID = id;
  m_data.uCallbackMessage = callbackMessage;
  m_data.uFlags = NIF_MESSAGE;
  // A dialog never sees WM_CREATE, so the broadcast's id is also obtained here.
  if (s_nTaskbarCreated == 0) s_nTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  Shell_NotifyIconA(NIM_ADD, &m_data);
  // Set even when the shell refused, so that RemoveIcon still tries.
  m_bAdded = true;
  return true;
}

bool CTrayIcon::SetIcon(HICON icon) {
  m_data.hIcon = icon;
  m_data.uFlags = NIF_ICON;
  return Shell_NotifyIconA(NIM_MODIFY, &m_data) == TRUE;
}

bool CTrayIcon::SetTip(const char* text) {
  lstrcpynA(m_data.szTip, text ? text : "", sizeof m_data.szTip);
  m_data.uFlags = NIF_TIP;
  return Shell_NotifyIconA(NIM_MODIFY, &m_data) == TRUE;
}

bool CTrayIcon::ShowBalloon(const char* title, const char* text, bool clickable, UINT command) {
  lstrcpynA(m_data.szInfoTitle, title ? title : "", sizeof m_data.szInfoTitle);
  lstrcpynA(m_data.szInfo, text ? text : "", sizeof m_data.szInfo);
  // Never time out on the shell's clock: the check cycle removes balloons itself.
  m_data.uTimeout = 0xFFFFFFFF;
  m_data.uFlags = NIF_INFO;
  m_data.dwInfoFlags = NIIF_NOSOUND;
  BOOL shown = Shell_NotifyIconA(NIM_MODIFY, &m_data);
  m_bBalloonClickable = clickable;
  m_nBalloonCommand = command;
  return shown == TRUE;
}

bool CTrayIcon::SetDefaultCommand(UINT command) {
  m_nDefaultCommand = command;
  return true;
}

void CTrayIcon::RemoveIcon() {
  if (!m_bAdded) return;
  m_data.uFlags = 0;
  Shell_NotifyIconA(NIM_DELETE, &m_data);
  m_bAdded = false;
}

void CTrayIcon::SendDefaultCommand() {
  if (m_nDefaultCommand != 0) SendMessageA(m_hOwner, WM_COMMAND, m_nDefaultCommand, 0);
}

void CTrayIcon::OnRightButton() {
  POINT cursor;
  GetCursorPos(&cursor);
  // The menu resource has the icon's id.
  CPopupMenu menu;
  if (!menu.Load(m_hInstance, m_data.uID)) return;
  if (m_nDefaultCommand != 0) menu.SetDefaultItem(m_nDefaultCommand);
  menu.Track(m_hOwner, cursor);
}

LRESULT CTrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    if (s_nTaskbarCreated == 0) s_nTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  } else if (s_nTaskbarCreated != 0 && message == s_nTaskbarCreated) {
    // The shell restarted: the icon is gone from the new taskbar. The balloon is not restored.
    char tip[sizeof m_data.szTip];
    lstrcpynA(tip, m_data.szTip, sizeof tip);
    HICON icon = m_data.hIcon;
    AddIcon(m_hInstance, m_data.hWnd, m_data.uID, m_data.uCallbackMessage);
    SetIcon(icon);
    SetTip(tip);
  }
  if (message != m_data.uCallbackMessage || m_data.uCallbackMessage == 0 || wParam != m_data.uID) return 0;
  switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDBLCLK:
      SendDefaultCommand();
      break;
    case WM_RBUTTONDOWN:
      OnRightButton();
      break;
    case NIN_BALLOONUSERCLICK:
      if (!m_bBalloonClickable) break;
      if (m_nBalloonCommand != 0)
        SendMessageA(m_hOwner, WM_COMMAND, m_nBalloonCommand, 0);
      else
        SendDefaultCommand();
      break;
  }
  return 0;
}
