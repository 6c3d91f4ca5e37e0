// The log window: every line logged so far, in a read-only text box whose size
// is remembered between runs.
#pragma once
#include "framework/ControlBars.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WindowSizer.h"

class CAppLogDlg : public CDialog {
 public:
  explicit CAppLogDlg(HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  bool PreTranslateMessage(MSG& msg) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnShowWindow(bool show) override;
  void OnDpiChanged(int dpi) override;
  void OnClose() override;

 private:
  void FitText();

  CEdit m_text;
  CStatusBar m_statusBar;
  bool m_bShown = false;
  CWindowSizer m_sizer;
};

extern CAppLogDlg* g_pAppLogDlg;
