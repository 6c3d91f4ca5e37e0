// The check cycle of the main window: one account after another, each on its
// own CheckStatistics worker under a watchdog, then the tray notification.
#include <winsock2.h>
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "app/TidewellDlg.h"
#include "app/TrayIcon.h"
#include "check/CheckCycleState.h"
#include "viewer/ViewMailDlg.h"
#include "check/CheckJob.h"
#include "check/NotifyDecision.h"
#include "framework/Format.h"
#include "store/Account.h"
#include "store/AccountList.h"
#include "store/Settings.h"

namespace {

// How long closing the program waits for a worker that was interrupted.
constexpr DWORD kStopWaitMs = 3000;

void PostCheckNext(HWND window, DWORD seq) {
  PostMessageA(window, WM_CHECK_NEXT, static_cast<WPARAM>(seq), 0);
}

bool Running(const CUniqueHandle& thread) {
  return WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT;
}

void ForgetEndedStrays(CCheckCycleState& state) {
  std::vector<CUniqueHandle> running;
  for (CUniqueHandle& thread : state.strayThreads)
    if (Running(thread)) running.push_back(std::move(thread));
  state.strayThreads.swap(running);
}

// Lets go of the previous worker; one still running is kept for the close.
void ReleaseWorker(CCheckCycleState& state, HANDLE& worker) {
  CUniqueHandle thread(worker);
  worker = nullptr;
  if (thread.Valid() && Running(thread)) state.strayThreads.push_back(std::move(thread));
  ForgetEndedStrays(state);
  state.job.reset();
}

int Setting(SettingId id) {
  return g_pSettings->GetSetting(id);
}

void PlayNewMailSound() {
  const std::string file = g_pSettings->GetSoundFile();
  // Synchronous on purpose: the main window waits until the sound ends.
  if (file.empty() || !PlaySoundA(file.c_str(), nullptr, SND_FILENAME)) MessageBeep(MB_OK);
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
  HWND window = dlg.hwnd();
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
  PostCheckNext(hwnd(), ++m_nCheckSeq);
  return 1;
}

LRESULT CTidewellDlg::OnCheckNext(WPARAM seq) {
  HWND window = hwnd();
  // Only the message of the current step advances: a worker the watchdog
  // gave up on may still post its own late.
  if (!m_bChecking || static_cast<DWORD>(seq) != m_nCheckSeq) return 1;
  KillTimer(window, IDT_WATCHDOG);
  ReleaseWorker(*m_pCheckState, m_hWorkerThread);
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
  // A value edited into the registry by hand must not switch the time-outs off.
  int checkTimeout = std::max(1, Setting(CheckTimeout));
  auto job = std::make_shared<CCheckJob>(jobSeq, account, connection, checkTimeout, window);
  // The same decision as View Mail's: a changed certificate is refused before the login.
  job->SetCertificateCheck([account, name = connection.name](const ServerCertificate& certificate) {
    return g_pAccountList->JudgeServerCertificate(
        account, name, certificate.chainTrusted, certificate.fingerprint,
        [](const std::string& line) { g_appLog.Append(line.c_str()); });
  });
  auto* arg = new std::shared_ptr<CCheckJob>(job);
  HANDLE thread = CreateThread(nullptr, 0, CheckStatistics, arg, 0, nullptr);
  if (!thread) {
    delete arg;
    g_appLog.Append(
        Format("Failed to create CheckStatistics thread for %s", connection.name.c_str()).c_str());
    PostCheckNext(window, jobSeq);  // go on, so that periodic checking continues
    return 1;
  }
  m_hWorkerThread = thread;
  m_pCheckState->job = job;
  SetTimer(window, IDT_WATCHDOG, static_cast<UINT>(checkTimeout) * 1500u, nullptr);
  return 1;
}

void CTidewellDlg::OnCheckTimeout() {
  HWND window = hwnd();
  KillTimer(window, IDT_WATCHDOG);
  std::shared_ptr<CCheckJob> job = m_pCheckState->job;
  if (!job || job->seq() != m_nCheckSeq) return;
  // The worker has settled (at most it is still ending a failed session,
  // which Abandon cuts short): its own message advances the cycle.
  if (job->Abandon()) return;
  const AccountConnection& c = job->connection();
  g_appLog.Append(
      Format("Timeout getting mail statistics for %s from %s", c.name.c_str(), c.host.c_str()).c_str());
  PostCheckNext(window, ++m_nCheckSeq);
}

LRESULT CTidewellDlg::OnCheckDone() {
  m_hWorkerThread = nullptr;
  m_bChecking = false;
  if (m_bViewerOpen) {
    // The viewer's fetch takes the servers over from here; the cycle that
    // follows its closing notifies and sets the period timer again.
    if (m_pViewer) m_pViewer->StartFetch();
    return 1;
  }
  NotifyDecision decision = DecideNotification(GatherNotifyInput());
  ShowDecision(*this, decision);
  PlayNotifySound(decision.sound);
  // Period 0 starts the next cycle at the first timer tick; a hand-edited negative value counts as 0.
  SetTimer(hwnd(), IDT_PERIOD, static_cast<UINT>(std::max(0, Setting(Period))) * 60000u, nullptr);
  return 1;
}

void CTidewellDlg::StopCheckWorker() {
  CCheckCycleState& state = *m_pCheckState;
  KillTimer(hwnd(), IDT_WATCHDOG);
  if (state.job) state.job->Abandon();
  if (m_hWorkerThread) {
    state.strayThreads.emplace_back(m_hWorkerThread);
    m_hWorkerThread = nullptr;
  }
  state.job.reset();
  // Every worker's connection is interrupted, so each ends soon; the wait is
  // bounded all the same, as a name look-up cannot be interrupted.
  DWORD start = GetTickCount();
  for (CUniqueHandle& thread : state.strayThreads) {
    DWORD elapsed = GetTickCount() - start;
    WaitForSingleObject(thread.Get(), elapsed < kStopWaitMs ? kStopWaitMs - elapsed : 0);
  }
  state.strayThreads.clear();
  m_bChecking = false;
}
