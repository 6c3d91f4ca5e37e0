// The main window.
#include "app/TidewellDlg.h"

#include "app/TrayIcon.h"
#include "app/VersionInfo.h"
#include "check/CheckCycleState.h"
#include "framework/App.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "res/resource.h"
#include "store/Settings.h"
#include "viewer/ViewMailDlg.h"

CTidewellDlg* g_pMainDlg = nullptr;

CTidewellDlg::CTidewellDlg()
    : CDialog(IDD_TIDEWELL, nullptr), m_pCheckState(std::make_unique<CCheckCycleState>()) {
  HINSTANCE instance = AppInstance();
  m_hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  m_hIconMail = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIL));
  m_hIconError = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ERROR_STATE));
  g_pMainDlg = this;
}

CTidewellDlg::~CTidewellDlg() {
  if (g_pMainDlg == this) g_pMainDlg = nullptr;
}

BOOL CTidewellDlg::OnInitDialog() {
  m_webAddress.Attach(GetItem(IDC_WEBADDRESS));
  m_product.Attach(GetItem(IDC_PRODUCT));
  m_legal.Attach(GetItem(IDC_LEGAL));

  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  g_trayIcon.AddIcon(AppInstance(), m_hWnd, IDR_TRAYMENU, WM_TRAY_NOTIFY);
  g_trayIcon.SetIcon(m_hIcon);
  g_trayIcon.SetTip("Tidewell");
  g_trayIcon.SetDefaultCommand(ID_VIEW);

  // The intro stays up for ShowIntro x 2 s; with the intro off the timer fires at once.
  int showIntro = g_pSettings ? g_pSettings->GetSetting(ShowIntro) : 1;
  SetTimer(m_hWnd, IDT_INTRO, static_cast<UINT>(showIntro > 0 ? showIntro : 0) * 2000, nullptr);

  g_appLog.Append("Application started");

  m_product.SetText(g_versionInfo.productName());
  m_legal.SetText(g_versionInfo.legalCopyright());
  m_webAddress.SetText(g_versionInfo.comments());
  return TRUE;
}

INT_PTR CTidewellDlg::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  // The tray icon sees every message first, including the taskbar's re-creation.
  g_trayIcon.HandleMessage(msg, wp, lp);
  switch (msg) {
    case WM_CHECK_START:
      OnStartCheck();
      return TRUE;
    case WM_CHECK_NEXT:
      OnCheckNext(wp);
      return TRUE;
    case WM_CHECK_DONE:
      OnCheckDone();
      return TRUE;
    case WM_VIEW_CLOSED:
      OnViewClosed();
      return TRUE;
    case WM_PAINT:
      if (IsIconic(m_hWnd)) {
        OnPaintMinimized();
        return TRUE;
      }
      break;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_hIcon);
  }
  return CDialog::Dispatch(msg, wp, lp);
}

void CTidewellDlg::OnTimer(UINT_PTR id) {
  // Each timer is one-shot: the next one is set by whoever needs it.
  switch (id) {
    case IDT_INTRO:
      KillTimer(m_hWnd, id);
      ShowWindow(m_hWnd, SW_HIDE);
      PostMessageA(m_hWnd, WM_CHECK_START, 0, 0);
      break;
    case IDT_PERIOD:
      KillTimer(m_hWnd, id);
      PostMessageA(m_hWnd, WM_CHECK_START, 0, 0);
      break;
    case IDT_WATCHDOG:
      KillTimer(m_hWnd, id);
      OnCheckTimeout();
      break;
    case IDT_BALLOON:
      KillTimer(m_hWnd, id);
      g_trayIcon.ShowBalloon(nullptr, nullptr, false);
      break;
  }
}

void CTidewellDlg::OnClose() {
  // The workers use the settings and the account list: they must be stopped
  // before the application object destroys those.
  StopViewer();
  StopCheckWorker();
  CDialog::OnClose();
}

void CTidewellDlg::OnPaintMinimized() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hWnd, &ps);
  RECT client;
  GetClientRect(m_hWnd, &client);
  int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, m_hIcon);
  EndPaint(m_hWnd, &ps);
}
