// The one notification-area icon: tooltip, balloon, right-click menu, default
// command, and its return when the taskbar is re-created.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

class CTrayIcon {
 public:
  CTrayIcon();
  ~CTrayIcon();  // removes the icon
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  bool AddIcon(HINSTANCE instance, HWND window, UINT id, UINT callbackMessage);
  bool SetIcon(HICON icon);
  // At most 127 characters: the shell's tooltip field holds 128 with the terminator.
  bool SetTip(const char* text);
  // Title at most 63, text at most 255 characters (the shell's field sizes).
  // Empty title and text remove a balloon that is showing. A click on a
  // clickable balloon sends command, or the default command when it is 0.
  bool ShowBalloon(const char* title, const char* text, bool clickable, UINT command = 0);
  bool SetDefaultCommand(UINT command);
  // Given every message of the owner window before its own handling.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void RemoveIcon();

  UINT defaultCommand() const { return m_nDefaultCommand; }
  bool added() const { return m_bAdded; }
  const char* tip() const { return m_data.szTip; }
  // The last balloon's text and NIIF_ flags.
  const char* balloonText() const { return m_data.szInfo; }
  DWORD balloonFlags() const { return m_data.dwInfoFlags; }

 private:
  void OnRightButton();
  void SendDefaultCommand();

  HWND m_hOwner = nullptr;
  HINSTANCE m_hInstance = nullptr;
  NOTIFYICONDATAA m_data;
  UINT m_nDefaultCommand = 0;
  bool m_bAdded = false;
  bool m_bBalloonClickable = false;
  UINT m_nBalloonCommand = 0;  // 0: the default command

  static UINT s_nTaskbarCreated;  // id of the "TaskbarCreated" broadcast, 0 until obtained
};

extern CTrayIcon g_trayIcon;
