// Thin control wrappers: each holds a child window it does not own and turns
// one call into one message.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

class CControl {
 public:
  void Attach(HWND h) { m_hWnd = h; }
  HWND hwnd() const { return m_hWnd; }
  bool SetText(const char* text) { return SetWindowTextA(m_hWnd, text ? text : "") != 0; }
  std::string GetText() const;
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
