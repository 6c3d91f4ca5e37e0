// The information window.
#include "viewer/InfoDlg.h"

#include <algorithm>

#include "framework/App.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "framework/WideText.h"
#include "pop3/HeaderParse.h"
#include "pop3/MailHeader.h"
#include "res/resource.h"
#include "store/Settings.h"

namespace {

// The preview worker's text is in (CPreviewWorker::TakeText).
constexpr UINT WM_PREVIEW_DONE = WM_APP + 40;

}  // namespace

std::string BuildText(const ReplyLines& lines, size_t limit, bool decoded) {
  if (lines.size() <= 2) return std::string();
  size_t length = 0;
  for (size_t i = 1; i + 1 < lines.size(); ++i) length += lines[i].size() + 2;
  ReplyLines kept = {lines.front()};
  size_t shown = 0, i = 1;
  for (; i + 1 < lines.size() && shown + lines[i].size() + 2 <= limit; ++i) {
    kept.push_back(lines[i]);
    shown += lines[i].size() + 2;
  }
  const bool whole = i + 1 >= lines.size();
  if (!whole && kept.size() == 1) {
    // A single line longer than the limit still shows its start.
    kept.push_back(lines[i].substr(0, limit));
    shown = limit;
  }
  kept.push_back(".");
  std::string text = decoded ? DecodeHeaderBlock(kept) : RawHeaderBlock(kept);
  if (whole) return text;
  return text + Format("(%llu more bytes of the header block, in %llu lines, are not shown)\r\n",
                       static_cast<unsigned long long>(length - shown),
                       static_cast<unsigned long long>(lines.size() - 1 - i));
}

namespace {

// The template's edit is an ANSI window, which would turn what the system's
// code page lacks into question marks: a W edit of the same id, style, place
// and font takes its place.
HWND WideTwin(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  HWND twin = CreateWindowExW(static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE)), L"EDIT", L"",
                              static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE)), r.left, r.top,
                              r.right - r.left, r.bottom - r.top, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(control))),
                              AppInstance(), nullptr);
  if (!twin) return control;
  SendMessageW(twin, WM_SETFONT, SendMessageW(control, WM_GETFONT, 0, 0), FALSE);
  // Its place in the tab order too.
  SetWindowPos(twin, control, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(control);
  return twin;
}

}  // namespace

CInfoDlg::CInfoDlg(HWND parent)
    : CDialog(IDD_INFO, parent), m_hIcon(LoadIconA(AppInstance(), MAKEINTRESOURCEA(IDI_VIEW))) {}

void CInfoDlg::SetHeader(const MailHeader& header) {
  m_subject = header.subject;
  m_lines = header.lines;
}

void CInfoDlg::SetPreview(PreviewJob job) {
  m_bPreview = job.bodyLines > 0;
  m_job = std::move(job);
}

INT_PTR CInfoDlg::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PREVIEW_DONE) {
    OnPreviewDone();
    return TRUE;
  }
  if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == kInfoRawLinesCommand) {
    OnRawLines();
    return TRUE;
  }
  return CDialog::Dispatch(msg, wp, lp);
}

BOOL CInfoDlg::OnInitDialog() {
  m_edit.Attach(WideTwin(m_hWnd, GetItem(IDC_INFO_TEXT)));
  // The window's menu switches between the decoded header block and the lines as received.
  HMENU system = GetSystemMenu(m_hWnd, FALSE);
  AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(system, MF_STRING, kInfoRawLinesCommand, L"Show &Raw Header Lines");
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  // Straight to the default procedure: through this ANSI dialog's own procedure
  // the subject would lose what the system's code page lacks.
  std::wstring title = Utf8ToWide("Mail - " + m_subject);
  DefWindowProcW(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));

  m_sizer.Attach(m_hWnd, m_edit.hwnd());
  // Two panes want more room than the header block alone had.
  const SIZE initial = m_bPreview ? m_sizer.DefaultSize(150, 250) : m_sizer.DefaultSize();
  int width = initial.cx, height = initial.cy;
  if (g_pSettings) g_pSettings->GetInfoSize(width, height, width, height);
  m_sizer.Restore({width, height});

  // A header block can be longer than the text box's default limit of 32 K characters.
  m_edit.LimitText(0);
  ShowScrollBar(m_edit.hwnd(), SB_VERT, TRUE);
  if (m_bPreview) CreateTextPane();
  m_statusBar.Create(m_hWnd);
  m_bLayoutReady = true;
  Layout();
  // Filled once the window is up, so it opens without waiting for a long text.
  SetTimer(m_hWnd, IDT_FILL, 0, nullptr);
  if (HasTextPane() && !m_preview.Start(std::move(m_job), m_hWnd, WM_PREVIEW_DONE))
    SetPaneText("The message text could not be fetched: no thread could be started.");
  return FALSE;
}

// Made here rather than in the template: a W edit control, so a message's
// text shows whatever the system's code page lacks.
void CInfoDlg::CreateTextPane() {
  HWND header = m_edit.hwnd();
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(header, GWL_STYLE)) | WS_TABSTOP;
  DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(header, GWL_EXSTYLE));
  m_textPane =
      CreateWindowExW(exStyle, L"EDIT", L"", style, 0, 0, 0, 0, m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInfoTextPaneId)), AppInstance(), nullptr);
  if (!m_textPane) return;
  SendMessageW(m_textPane, WM_SETFONT, SendMessageW(m_hWnd, WM_GETFONT, 0, 0), FALSE);
  SendMessageW(m_textPane, EM_SETLIMITTEXT, 0, 0);
  RECT r;
  GetWindowRect(header, &r);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 1);
  m_nGap = r.top;
  SetPaneText("Loading\xE2\x80\xA6");
}

void CInfoDlg::SetPaneText(const std::string& utf8) {
  if (m_textPane) SetWindowTextW(m_textPane, Utf8ToWide(utf8).c_str());
}

void CInfoDlg::OnPreviewDone() {
  SetPaneText(m_preview.TakeText());
}

void CInfoDlg::Layout() {
  if (!m_bLayoutReady) return;
  const SIZE area = m_sizer.AreaSize();
  const int width = area.cx, height = area.cy;
  if (!HasTextPane()) {
    m_edit.SetSize(width, height);
  } else {
    // The header block above, the text (what a user reads first) below with more room.
    int header = std::max(0, (height - m_nGap) * 2 / 5);
    m_edit.SetSize(width, header);
    RECT r;
    GetWindowRect(m_edit.hwnd(), &r);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 1);
    SetWindowPos(m_textPane, nullptr, r.left, r.top + header + m_nGap, width,
                 std::max(0, height - header - m_nGap), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RepositionBars(m_hWnd);
}

void CInfoDlg::OnTimer(UINT_PTR id) {
  if (id != IDT_FILL) return;
  KillTimer(m_hWnd, IDT_FILL);
  FillHeader();
}

void CInfoDlg::FillHeader() {
  m_text = BuildText(m_lines, kHeaderTextLimit, !m_bRawLines);
  SetWindowTextW(m_edit.hwnd(), Utf8ToWide(m_text).c_str());
}

void CInfoDlg::OnRawLines() {
  m_bRawLines = !m_bRawLines;
  CheckMenuItem(GetSystemMenu(m_hWnd, FALSE), kInfoRawLinesCommand,
                MF_BYCOMMAND | (m_bRawLines ? MF_CHECKED : MF_UNCHECKED));
  FillHeader();
}

bool CInfoDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  if (id == IDC_INFO_TEXT && code == EN_SETFOCUS) {
    // Past the end: the caret lands after the last line, nothing selected.
    int end = GetWindowTextLengthW(m_edit.hwnd());
    m_edit.SetSel(end, end);
    m_edit.ScrollCaret();
    return true;
  }
  if (id == static_cast<UINT>(kInfoTextPaneId) && code == EN_SETFOCUS) {
    // The text is read from its start; the dialog would select it all.
    SendMessageW(m_textPane, EM_SETSEL, 0, 0);
    return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

void CInfoDlg::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {
  Layout();
}

void CInfoDlg::OnDpiChanged(int dpi) {
  m_sizer.OnDpiChanged(dpi);
  // The dialog manager rescaled the template's controls and font; the pane is ours.
  if (HasTextPane()) SendMessageW(m_textPane, WM_SETFONT, SendMessageW(m_hWnd, WM_GETFONT, 0, 0), TRUE);
  Layout();
}

void CInfoDlg::OnCancel() {
  // Close box, system menu and Escape store the size; Enter (OK) does not.
  const SIZE stored = m_sizer.StoredSize();
  if (g_pSettings) g_pSettings->SetInfoSize(stored.cx, stored.cy);
  CDialog::OnCancel();
}

void CInfoDlg::OnDestroy() {
  // The worker may still be in its session: it is cut off and no longer
  // reaches this window (the wait is bounded).
  m_preview.Stop(CPreviewWorker::kStopWait);
}
