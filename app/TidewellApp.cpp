// The application object's commands and the process-wide objects.
#include "app/TidewellApp.h"

#include <algorithm>

#include "app/AboutDlg.h"
#include "app/AccListDlg.h"
#include "app/AppLogDlg.h"
#include "app/Locale.h"
#include "app/SettingsDlg.h"
#include "app/SingleInstance.h"
#include "app/TidewellDlg.h"
#include "app/TrayIcon.h"
#include "app/VersionInfo.h"
#include "framework/AppLog.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "pop3/TcpSocket.h"
#include "res/resource.h"
#include "store/AccountList.h"
#include "store/Settings.h"

// Constructed in this order and destroyed in reverse at process exit: the tray
// icon goes (and removes itself from the tray) after the version information.
// The log, the settings and the account list are defined beside their classes
// so the tests have them too; the application object beside the entry point.
CTrayIcon g_trayIcon;
CVersionInfo g_versionInfo;
// Never connected: its life brackets the whole process's use of Winsock.
CTcpSocket g_winsockUser(false);

namespace {
// Brings an already open dialog forward; true if there was one. A dialog that
// has ended but waits, hidden, for a loop opened after it does not count.
bool FocusOpen(const CDialog* dlg) {
  if (!dlg || !dlg->IsOpen()) return false;
  SetForegroundWindow(dlg->hwnd());
  SetFocus(dlg->hwnd());
  return true;
}

// Runs a dialog of the tray menu modally, unless one of its kind is open: that
// one only gets the focus. The pointer names the open one meanwhile.
template <typename Dlg>
void RunSingle(Dlg*& open) {
  if (FocusOpen(open)) return;
  Dlg dlg;
  open = &dlg;
  dlg.DoModal();
  // A later one of the kind may have taken the pointer while this one waited.
  if (open == &dlg) open = nullptr;
}

// A slot whose values could not be read is kept as it is; the log says which.
void LogUnreadableSlots() {
  for (int slot : g_pAccountList->UnreadableSlots())
    g_appLog.Append(
        Format("The account stored under %s could not be read; it is kept unchanged and not checked",
               CAccountList::IndexedName("Host", slot).c_str())
            .c_str());
}

// A later start of the program asked for attention: the tray says where this one is.
void OnAnotherStart() {
  g_trayIcon.ShowBalloon("Tidewell", "Tidewell is already running", false);
  // Taken down as the check's balloon is, when its time is up (a hand-edited
  // time-out counts within the settings dialog's range).
  if (!g_pMainDlg || !g_pMainDlg->hwnd() || !g_pSettings) return;
  const int seconds = std::min(std::max(g_pSettings->GetSetting(BalloonTimeout), 10), 60);
  SetTimer(g_pMainDlg->hwnd(), IDT_BALLOON, static_cast<UINT>(seconds) * 1000, nullptr);
}
// A thread that outlived its wait at Exit may still read the settings, the
// account list or the log: nothing it can reach is freed. The process ends
// here, before any of them is destroyed, and the system takes back the rest.
[[noreturn]] void EndWithThreadsLeft() {
  const char why[] = "Tidewell ended with a thread still running; the accounts and settings were not freed";
  // The log goes with the process: a debugger sees the line too.
  g_appLog.Append(why);
  OutputDebugStringA(why);
  g_trayIcon.RemoveIcon();
  ExitProcess(0);
}
}  // namespace

bool CTidewellApp::InitInstance() {
  // Before the stores: a second start must not touch the registry, and the
  // first one's checks must not be doubled.
  CSingleInstance instance;
  if (!instance.Claim(OnAnotherStart)) return false;
  g_pAccountList = new CAccountList();
  LogUnreadableSlots();
  g_pSettings = new CSettings();
  SetRuntimeLocale();

  CTidewellDlg* mainDlg = new CTidewellDlg(*g_pAccountList, *g_pSettings);
  m_pMainWnd = mainDlg;
  mainDlg->DoModal();
  instance.StopAnswering();

  // The main window's close handler has stopped the workers that use these;
  // stopping again costs nothing and covers an end that did not pass there.
  mainDlg->StopCheckWorker();
  if (mainDlg->ThreadsLeftRunning()) EndWithThreadsLeft();
  m_pMainWnd = nullptr;
  delete mainDlg;
  delete g_pSettings;
  g_pSettings = nullptr;
  delete g_pAccountList;
  g_pAccountList = nullptr;
  return false;
}

bool CTidewellApp::OnCommand(UINT id) {
  switch (id) {
    case ID_SETTINGS:
      OnSettings();
      return true;
    case ID_ACCOUNTS:
      OnAccounts();
      return true;
    case ID_VIEW:
      OnView();
      return true;
    case ID_CHECKNOW:
      if (g_pMainDlg) g_pMainDlg->CheckNow();
      return true;
    case ID_LOG:
      OnLog();
      return true;
    case ID_APP_ABOUT:
      OnAbout();
      return true;
  }
  return CApp::OnCommand(id);
}

void CTidewellApp::OnSettings() {
  RunSingle(g_pSettingsDlg);
}

void CTidewellApp::OnAccounts() {
  RunSingle(g_pAccListDlg);
}

void CTidewellApp::OnAbout() {
  RunSingle(g_pAboutDlg);
}

void CTidewellApp::OnView() {
  if (g_pMainDlg) g_pMainDlg->OpenViewer();
}

void CTidewellApp::OnLog() {
  RunSingle(g_pAppLogDlg);
}
