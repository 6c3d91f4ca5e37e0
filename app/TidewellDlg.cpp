// The main window.
#include "app/TidewellDlg.h"

#include <mmsystem.h>

#include "app/TrayIcon.h"
#include "app/VersionInfo.h"
#include "check/NotifyDecision.h"
#include "framework/App.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "framework/WindowCalls.h"
#include "res/resource.h"
#include "store/Settings.h"

CTidewellDlg* g_pMainDlg = nullptr;

CTidewellDlg::CTidewellDlg(CAccountList& accounts, CSettings& settings)
    : CDialog(IDD_TIDEWELL, nullptr),
      m_accounts(accounts),
      m_settings(settings),
      m_pInbox(std::make_shared<CWindowCalls>()),
      m_cycle(accounts, settings, *this) {
  m_pInbox->Open();
  HINSTANCE instance = AppInstance();
  m_hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  m_hIconMail = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIL));
  m_hIconError = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ERROR_STATE));
  g_pMainDlg = this;
}

CTidewellDlg::~CTidewellDlg() {
  m_pInbox->Close();
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
  int showIntro = m_settings.GetSetting(ShowIntro);
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
    case WM_PAINT:
      if (IsIconic(m_hWnd)) {
        OnPaintMinimized();
        return TRUE;
      }
      break;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_INITMENUPOPUP:
      // The tray menu, as it opens: a check cannot start while one runs or the viewer has the servers.
      EnableMenuItem(reinterpret_cast<HMENU>(wp), ID_CHECKNOW,
                     MF_BYCOMMAND | (m_cycle.CanCheckNow() ? MF_ENABLED : MF_GRAYED));
      return TRUE;
  }
  return CDialog::Dispatch(msg, wp, lp);
}

void CTidewellDlg::OnTimer(UINT_PTR id) {
  // The cycle's timers (period, watchdog, balloon) are the cycle's to handle.
  if (id != IDT_INTRO) {
    m_cycle.OnTimer(id);
    return;
  }
  KillTimer(m_hWnd, id);
  ShowWindow(m_hWnd, SW_HIDE);
  m_cycle.PostStart();
}

void CTidewellDlg::OnClose() {
  // The workers use the settings and the account list: they must be stopped
  // before the application object destroys those.
  StopViewer();
  StopCheckWorker();
  CDialog::OnClose();
}

// The viewer.

void CTidewellDlg::OpenViewer() {
  if (m_cycle.viewerOpen()) {
    m_viewer.Focus();
    return;
  }
  m_viewer.Create(m_accounts, m_settings);
  m_cycle.OnViewerOpening();  // hands the servers over at once unless a cycle runs
  if (m_viewer.Start(m_pInbox, [this] { OnViewClosed(); })) return;
  m_cycle.OnViewerFailed();
}

void CTidewellDlg::OnViewClosed() {
  m_viewer.Join();
  m_cycle.OnViewClosed();
}

void CTidewellDlg::StopViewer() {
  if (!m_viewer.exists()) return;
  if (m_viewer.Stop()) {
    m_cycle.OnViewerStopped();
    return;
  }
  m_bViewerLeft = true;
  g_appLog.Append("View Mail did not end in time when Tidewell was closed");
}

// What the check cycle asks of the window.

void CTidewellDlg::StartTimer(UINT_PTR id, UINT ms) {
  SetTimer(m_hWnd, id, ms, nullptr);
}

void CTidewellDlg::StopTimer(UINT_PTR id) {
  KillTimer(m_hWnd, id);
}

void CTidewellDlg::SetTrayIcon(int iconId) {
  HICON icon = iconId == kIconError ? m_hIconError : iconId == kIconMail ? m_hIconMail : m_hIcon;
  g_trayIcon.SetIcon(icon);
}

void CTidewellDlg::SetTrayTip(const char* text) {
  g_trayIcon.SetTip(text);
}

void CTidewellDlg::ShowBalloon(const char* title, const char* text, bool clickable) {
  g_trayIcon.ShowBalloon(title, text, clickable);
}

void CTidewellDlg::ShowAccountsBalloon(const char* title, const char* text) {
  g_trayIcon.ShowBalloon(title, text, true, ID_ACCOUNTS);
}

bool CTidewellDlg::PlaySoundFile(const char* file) {
  return PlaySoundA(file, nullptr, SND_FILENAME) != FALSE;
}

void CTidewellDlg::Beep(UINT type) {
  MessageBeep(type);
}

void CTidewellDlg::HandOverServers() {
  m_viewer.HandOverServers();
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
