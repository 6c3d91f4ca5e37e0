// The information window.
#include "viewer/InfoDlg.h"

#include "framework/App.h"
#include "framework/Messages.h"
#include "framework/WideText.h"
#include "pop3/MailHeader.h"
#include "res/resource.h"
#include "store/Settings.h"

std::string BuildText(const ReplyLines& lines) {
  std::string text;
  if (lines.size() <= 2) return text;
  size_t length = 0;
  for (size_t i = 1; i + 1 < lines.size(); ++i) length += lines[i].size() + 2;
  text.reserve(length);
  for (size_t i = 1; i + 1 < lines.size(); ++i) text.append(lines[i]).append("\r\n");
  return text;
}

CInfoDlg::CInfoDlg(HWND parent)
    : CDialog(IDD_INFO, parent), m_hIcon(LoadIconA(AppInstance(), MAKEINTRESOURCEA(IDI_VIEW))) {}

void CInfoDlg::SetHeader(const MailHeader& header) {
  m_subject = header.subject;
  m_lines = header.lines;
}

BOOL CInfoDlg::OnInitDialog() {
  m_edit.Attach(GetItem(IDC_INFO_TEXT));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  // Straight to the default procedure: through this ANSI dialog's own procedure
  // the subject would lose what the system's code page lacks.
  std::wstring title = Utf8ToWide("Mail - " + m_subject);
  DefWindowProcW(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));

  SIZE window = OuterSize(m_hWnd), edit = OuterSize(m_edit.hwnd());
  m_nWidthMargin = window.cx - edit.cx;
  m_nHeightMargin = window.cy - edit.cy;
  int width = window.cx, height = window.cy;
  if (g_pSettings) g_pSettings->GetInfoSize(width, height, window.cx, window.cy);
  SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_edit.SetSize(width - m_nWidthMargin, height - m_nHeightMargin);

  // A header block can be longer than the text box's default limit of 32 K characters.
  m_edit.LimitText(0);
  ShowScrollBar(m_edit.hwnd(), SB_VERT, TRUE);
  m_statusBar.Create(m_hWnd);
  RepositionBars(m_hWnd);
  // Filled once the window is up, so it opens without waiting for a long text.
  SetTimer(m_hWnd, IDT_FILL, 0, nullptr);
  return FALSE;
}

void CInfoDlg::OnTimer(UINT_PTR id) {
  if (id != IDT_FILL) return;
  KillTimer(m_hWnd, IDT_FILL);
  m_text = BuildText(m_lines);
  m_edit.SetText(m_text.c_str());
  m_bLayoutReady = true;
}

bool CInfoDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  if (id == IDC_INFO_TEXT && code == EN_SETFOCUS) {
    // Past the end of any shorter text: the caret lands after the last line, nothing selected.
    m_edit.SetSel(65535, 65535);
    m_edit.ScrollCaret();
    return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

void CInfoDlg::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {
  if (!m_bLayoutReady) return;
  SIZE window = OuterSize(m_hWnd);
  m_edit.SetSize(window.cx - m_nWidthMargin, window.cy - m_nHeightMargin);
  RepositionBars(m_hWnd);
}

void CInfoDlg::OnCancel() {
  // Close box, system menu and Escape store the size; Enter (OK) does not.
  SIZE window = OuterSize(m_hWnd);
  if (g_pSettings) g_pSettings->SetInfoSize(window.cx, window.cy);
  CDialog::OnCancel();
}
