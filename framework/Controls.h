// Thin control wrappers: each holds a child window it does not own and turns
// one call into one message.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <string>

// A window's outer size, as SetWindowPos takes it and the settings store it.
inline SIZE OuterSize(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

class CControl {
 public:
  void Attach(HWND h) { m_hWnd = h; }
  HWND hwnd() const { return m_hWnd; }
  bool SetText(const char* text) { return SetWindowTextA(m_hWnd, text ? text : "") != 0; }
  bool SetText(const std::string& text) { return SetText(text.c_str()); }
  std::string GetText() const;
  void Enable(bool on) { EnableWindow(m_hWnd, on ? TRUE : FALSE); }
  bool IsEnabled() const { return IsWindowEnabled(m_hWnd) != FALSE; }
  // Moves nothing, keeps the z-order: only the size changes.
  bool SetSize(int cx, int cy) {
    return SetWindowPos(m_hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
  }

 protected:
  HWND m_hWnd = nullptr;  // not owned
};

class CStatic : public CControl {};

class CEdit : public CControl {
 public:
  void SetSel(int start, int end) { SendMessageA(m_hWnd, EM_SETSEL, start, end); }
  void ScrollCaret() { SendMessageA(m_hWnd, EM_SCROLLCARET, 0, 0); }
  void LimitText(int count) { SendMessageA(m_hWnd, EM_LIMITTEXT, count, 0); }
};

// Push button, check box.
class CButton : public CControl {
 public:
  bool Checked() const { return SendMessageA(m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetCheck(bool on) { SendMessageA(m_hWnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
};

// An up-down control that keeps the number in its buddy edit.
class CUpDown : public CControl {
 public:
  void SetRange(int low, int high) {
    SendMessageA(m_hWnd, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
  }
  void SetPos(int pos) { SendMessageA(m_hWnd, UDM_SETPOS32, 0, pos); }
  // The buddy's number; the last valid position when the buddy holds no number in range.
  int GetPos() const { return static_cast<int>(SendMessageA(m_hWnd, UDM_GETPOS32, 0, 0)); }
};
