// The check cycle of the main window: one account after another, each on its
// own CheckStatistics worker under a watchdog, then the tray notification.
#include <winsock2.h>
#include <windows.h>

#include <mmsystem.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppLog.h"
#include "app/Messages.h"
#include "app/TidewellDlg.h"
#include "app/TrayIcon.h"
#include "check/CheckJob.h"
#include "check/LogLine.h"
#include "check/NotifyDecision.h"
#include "store/Account.h"
#include "store/AccountList.h"
#include "store/Settings.h"

namespace {

constexpr std::size_t kLineSize = 1024;
// How long closing the program waits for a worker whose socket was closed.
constexpr DWORD kStopWaitMs = 3000;

// The account being checked, and workers the watchdog gave up on that have
// not ended yet (their handles are kept so closing can wait for them).
struct CCycleState {
  std::shared_ptr<CCheckJob> job;
  std::vector<HANDLE> strayThreads;
};
CCycleState g_cycle;

HWND DlgWindow(const CTidewellDlg& dlg) {
  return dlg.hwnd();
}

void PostCheckNext(HWND window, DWORD seq) {
  PostMessageA(window, WM_CHECK_NEXT, static_cast<WPARAM>(seq), 0);
}

void ForgetEndedStrays() {
  std::vector<HANDLE> running;
  for (HANDLE thread : g_cycle.strayThreads) {
    if (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT)
      running.push_back(thread);
    else
      CloseHandle(thread);
  }
  g_cycle.strayThreads.swap(running);
}

// Lets go of the previous worker; one still running is kept for the close.
void ReleaseWorker(HANDLE& thread) {
  if (thread) {
    if (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT)
      g_cycle.strayThreads.push_back(thread);
    else
      CloseHandle(thread);
    thread = nullptr;
  }
  ForgetEndedStrays();
  g_cycle.job.reset();
}

int Setting(SettingId id) {
  return g_pSettings->GetSetting(id);
}

void PlayNewMailSound() {
  const char* file = g_pSettings->GetSoundFile();
  // Synchronous on purpose: the main window waits until the sound ends.
  if (!file || !*file || !PlaySoundA(file, nullptr, SND_FILENAME)) MessageBeep(MB_OK);
}

void PlayNotifySound(NotifySound sound) {
  if (sound == NotifySound::ExclamationBeep)
    MessageBeep(MB_ICONEXCLAMATION);
  else if (sound == NotifySound::NewMail)
    PlayNewMailSound();
}

HICON IconFor(const CTidewellDlg& dlg, int iconId) {
  if (iconId == kIconError) return dlg.m_hIconError;
  return iconId == kIconMail ? dlg.m_hIconMail : dlg.m_hIcon;
}

void ShowDecision(const CTidewellDlg& dlg, const NotifyDecision& d) {
  HWND window = DlgWindow(dlg);
  g_trayIcon.SetIcon(IconFor(dlg, d.iconId));
  g_trayIcon.SetTip(d.tip.c_str());
  // A removal timer left from an earlier balloon must not take down this one.
  KillTimer(window, IDT_BALLOON);
  if (!d.showBalloon) {
    g_trayIcon.ShowBalloon("", "", false);
    return;
  }
  g_trayIcon.ShowBalloon("Tidewell", d.balloonText.c_str(), d.clickable);
  if (d.balloonTimerMs != 0) SetTimer(window, IDT_BALLOON, d.balloonTimerMs, nullptr);
}

NotifyInput GatherNotifyInput() {
  NotifyInput in;
  g_pAccountList->GetFailState(in.wasAllFailed, in.allFailed);
  g_pAccountList->GetTotals(in.previousTotal, in.currentTotal);
  in.sound = Setting(Sound) != 0;
  in.balloonHelp = Setting(BalloonHelp) != 0;
  in.balloonTimeout = Setting(BalloonTimeout);
  in.balloonClick = Setting(BalloonClick);
  return in;
}

}  // namespace

LRESULT CTidewellDlg::OnStartCheck() {
  // A second start while a cycle runs would run two workers at once.
  if (m_bViewerOpen || m_bChecking) return 1;
  g_pAccountList->SnapshotActive(m_checkList);
  m_nCheckIndex = -1;
  m_bChecking = true;
  PostCheckNext(DlgWindow(*this), ++m_nCheckSeq);
  return 1;
}

LRESULT CTidewellDlg::OnCheckNext(WPARAM seq) {
  HWND window = DlgWindow(*this);
  // Only the message of the current step advances: a worker the watchdog
  // gave up on may still post its own late.
  if (!m_bChecking || static_cast<DWORD>(seq) != m_nCheckSeq) return 1;
  KillTimer(window, IDT_WATCHDOG);
  ReleaseWorker(m_hWorkerThread);
  ++m_nCheckIndex;
  if (m_bViewerOpen || m_nCheckIndex >= static_cast<int>(m_checkList.size())) {
    PostMessageA(window, WM_CHECK_DONE, 0, 0);
    return 1;
  }
  CAccount* account = m_checkList[m_nCheckIndex];
  DWORD jobSeq = ++m_nCheckSeq;
  AccountConnection connection;
  if (!g_pAccountList->CopyConnection(account, connection)) {
    PostCheckNext(window, jobSeq);  // the account is gone; nothing to check
    return 1;
  }
  int checkTimeout = Setting(CheckTimeout);
  auto job = std::make_shared<CCheckJob>(jobSeq, account, connection, checkTimeout, window);
  auto* arg = new std::shared_ptr<CCheckJob>(job);
  HANDLE thread = CreateThread(nullptr, 0, CheckStatistics, arg, 0, nullptr);
  if (!thread) {
    delete arg;
    g_appLog.Append(
        FormatLogLine(kLineSize, "Failed to create CheckStatistics thread for %s", connection.name.c_str())
            .c_str());
    PostCheckNext(window, jobSeq);  // go on, so that periodic checking continues
    return 1;
  }
  m_hWorkerThread = thread;
  g_cycle.job = job;
  SetTimer(window, IDT_WATCHDOG, static_cast<UINT>(checkTimeout) * 1500u, nullptr);
  return 1;
}

void CTidewellDlg::OnCheckTimeout() {
  HWND window = DlgWindow(*this);
  KillTimer(window, IDT_WATCHDOG);
  std::shared_ptr<CCheckJob> job = g_cycle.job;
  if (!job || job->seq() != m_nCheckSeq) return;
  // The worker settled just before: its own message advances the cycle.
  if (job->Abandon()) return;
  const AccountConnection& c = job->connection();
  g_appLog.Append(FormatLogLine(kLineSize, "Timeout getting mail statistics for %s from %s", c.name.c_str(),
                                c.host.c_str())
                      .c_str());
  PostCheckNext(window, ++m_nCheckSeq);
}

LRESULT CTidewellDlg::OnCheckDone() {
  m_hWorkerThread = nullptr;
  m_bChecking = false;
  if (m_bViewerOpen) {
    // The viewer's fetch takes the servers over from here; the cycle that
    // follows its closing notifies and sets the period timer again.
    return 1;
  }
  NotifyDecision decision = DecideNotification(GatherNotifyInput());
  ShowDecision(*this, decision);
  PlayNotifySound(decision.sound);
  SetTimer(DlgWindow(*this), IDT_PERIOD, static_cast<UINT>(Setting(Period)) * 60000u, nullptr);
  return 1;
}

void CTidewellDlg::StopCheckWorker() {
  KillTimer(DlgWindow(*this), IDT_WATCHDOG);
  if (g_cycle.job) g_cycle.job->Abandon();
  if (m_hWorkerThread) {
    g_cycle.strayThreads.push_back(m_hWorkerThread);
    m_hWorkerThread = nullptr;
  }
  g_cycle.job.reset();
  // Every worker's socket is closed, so each ends soon; the wait is bounded
  // all the same, as a reconnecting retry may block again.
  DWORD start = GetTickCount();
  for (HANDLE thread : g_cycle.strayThreads) {
    DWORD elapsed = GetTickCount() - start;
    WaitForSingleObject(thread, elapsed < kStopWaitMs ? kStopWaitMs - elapsed : 0);
    CloseHandle(thread);
  }
  g_cycle.strayThreads.clear();
  m_bChecking = false;
}

// The View Mail window is not part of the program yet: View leaves the cycle
// alone, and the flags keep their meaning for when it arrives.
void CTidewellDlg::OpenViewer() {}

LRESULT CTidewellDlg::OnViewClosed() {
  m_bViewerOpen = false;
  if (!m_bChecking) PostMessageA(hwnd(), WM_CHECK_START, 0, 0);
  return 1;
}
