// The log window.
#include "app/AppLogDlg.h"

#include "framework/AppLog.h"
#include "res/resource.h"
#include "store/Settings.h"

CAppLogDlg* g_pAppLogDlg = nullptr;

CAppLogDlg::CAppLogDlg(HWND parent) : CDialog(IDD_APPLOG, parent) {}

BOOL CAppLogDlg::OnInitDialog() {
  m_text.Attach(GetItem(IDC_LOGTEXT));
  SIZE window = OuterSize(m_hWnd), text = OuterSize(m_text.hwnd());
  m_nWidthMargin = window.cx - text.cx;
  m_nHeightMargin = window.cy - text.cy;

  int width = window.cx, height = window.cy;
  if (g_pSettings) g_pSettings->GetLogSize(width, height, window.cx, window.cy);
  SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_text.SetSize(width - m_nWidthMargin, height - m_nHeightMargin);

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
  SIZE window = OuterSize(m_hWnd);
  m_text.SetSize(window.cx - m_nWidthMargin, window.cy - m_nHeightMargin);
  RepositionBars(m_hWnd);
}

void CAppLogDlg::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {
  if (m_bShown) FitText();
}

void CAppLogDlg::OnShowWindow(bool /*show*/) {
  m_bShown = true;
}

void CAppLogDlg::OnClose() {
  // Only a close through the close box stores the size; Escape ends without it.
  SIZE window = OuterSize(m_hWnd);
  if (g_pSettings) g_pSettings->SetLogSize(window.cx, window.cy);
  CDialog::OnClose();
}
