// Dialog base: a window from a dialog template, modal (our own loop over a
// modeless dialog, so PreTranslateMessage sees every message) or modeless.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "framework/CommandIds.h"

class CDialog {
 public:
  CDialog(UINT templateId, HWND parent);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs until EndDialog; returns its result, or -1 when the window cannot be created.
  INT_PTR DoModal();
  bool CreateModeless();
  // Also ends the dialogs this one owns, which run inside its loop: ours, and
  // the system's (message boxes, file dialogs), which are cancelled.
  void EndDialog(INT_PTR result);
  // The window exists and has not been ended. An ended modal dialog stays
  // (hidden) until the loops opened after it return.
  bool IsOpen() const { return m_hWnd && !m_bEnded; }
  // The dialog object of one of our dialog windows, or none.
  static CDialog* FromHandle(HWND window);

  HWND hwnd() const { return m_hWnd; }
  // Over the owner when it is visible, otherwise over the desktop's work area.
  void CenterWindow();
  HWND GetItem(int id) const { return GetDlgItem(m_hWnd, id); }

 protected:
  // Unpacks one message and calls the handler; TRUE when handled.
  virtual INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  // Default handling of a message already handled: what the dialog manager does anyway.
  virtual bool PreTranslateMessage(MSG& msg);

  virtual BOOL OnInitDialog() { return TRUE; }
  virtual bool OnCommand(UINT id, UINT code, HWND ctl);
  virtual bool OnNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
  virtual void OnTimer(UINT_PTR /*id*/) {}
  virtual void OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {}
  virtual void OnShowWindow(bool /*show*/) {}
  // The window now shows at dpi (moved to another screen, or the scale changed),
  // and has taken its new size, its controls' places and its font: what the
  // window sizes in pixels itself follows here.
  virtual void OnDpiChanged(int /*dpi*/) {}
  virtual void OnOk() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  virtual void OnClose() { OnCancel(); }
  virtual void OnDestroy() {}

  UINT m_nTemplateId;
  HWND m_hParent;
  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void EnableOwner();
  void OnDpiChange(WPARAM wp, const RECT& suggested);
  // Gives the message to the dialog it is for, which need not be this one.
  bool TranslateForDialog(MSG& msg);

  HWND m_hDisabledOwner = nullptr;  // the owner a modal run disabled, until it is enabled again
  bool m_bModal = false;
  bool m_bEnded = false;
  bool m_bScalingForDpi = false;  // the dialog manager is handling WM_DPICHANGED
  INT_PTR m_nResult = 0;
};
