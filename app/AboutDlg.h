// The about box: the version resource's strings, the maker's web address as a
// link, and the update page and the user guide handed to the shell.
#pragma once
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(HWND parent = nullptr);

 protected:
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnDpiChanged(int dpi) override;

 private:
  void OnCheckUpdates();
  void OnUserGuide();
  void OnWebAddress();
  // The link in the dialog's font, underlined.
  void SetLinkFont();

  CStatic m_webAddress, m_version, m_product, m_legal;
  CScopedFont m_linkFont;  // the link's underlined font; outlives the window (DoModal destroys it)
};

extern CAboutDlg* g_pAboutDlg;
