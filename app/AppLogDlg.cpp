// The log window.
#include "app/AppLogDlg.h"

#include "framework/AppLog.h"
#include "res/resource.h"
#include "store/Settings.h"

CAppLogDlg* g_pAppLogDlg = nullptr;

CAppLogDlg::CAppLogDlg(HWND parent) : CDialog(IDD_APPLOG, parent) {}

BOOL CAppLogDlg::OnInitDialog() {
  m_text.Attach(GetItem(IDC_LOGTEXT));
  m_sizer.Attach(m_hWnd, m_text.hwnd());
  const SIZE template96 = m_sizer.DefaultSize();
  int width = template96.cx, height = template96.cy;
  if (g_pSettings) g_pSettings->GetLogSize(width, height, width, height);
  m_sizer.Restore({width, height});
  const SIZE area = m_sizer.AreaSize();
  m_text.SetSize(area.cx, area.cy);

  // The text box would otherwise stop at its default limit of 32 K characters.
  m_text.LimitText(0);
  m_text.SetText(g_appLog.GetText().c_str());
  ShowScrollBar(m_text.hwnd(), SB_VERT, TRUE);

  m_statusBar.Create(m_hWnd);
  RepositionBars(m_hWnd);
  // No focus at first, so the text shows from its first line.
  return FALSE;
}

bool CAppLogDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  if (id == IDC_LOGTEXT && code == EN_SETFOCUS) {
    // Past the end of any shorter text: the caret lands after the last line, nothing selected.
    m_text.SetSel(65535, 65535);
    m_text.ScrollCaret();
    return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

bool CAppLogDlg::PreTranslateMessage(MSG& msg) {
  // A multi-line text box turns Escape into WM_CLOSE to its dialog, which would
  // store the size; Escape is the dialog's Cancel, which does not.
  bool ours = msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd);
  if (ours && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    OnCancel();
    return true;
  }
  return CDialog::PreTranslateMessage(msg);
}

void CAppLogDlg::FitText() {
  const SIZE area = m_sizer.AreaSize();
  m_text.SetSize(area.cx, area.cy);
  RepositionBars(m_hWnd);
}

void CAppLogDlg::OnDpiChanged(int dpi) {
  m_sizer.OnDpiChanged(dpi);
  FitText();
}

void CAppLogDlg::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {
  if (m_bShown) FitText();
}

void CAppLogDlg::OnShowWindow(bool /*show*/) {
  m_bShown = true;
}

void CAppLogDlg::OnClose() {
  // Only a close through the close box stores the size; Escape ends without it.
  const SIZE stored = m_sizer.StoredSize();
  if (g_pSettings) g_pSettings->SetLogSize(stored.cx, stored.cy);
  CDialog::OnClose();
}
