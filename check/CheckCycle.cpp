// The check cycle: one account after another, each on its own worker under a
// watchdog, then the tray notification; and the hand-over to the viewer.
#include "check/CheckCycle.h"

#include <algorithm>
#include <string>

#include "check/CheckJob.h"
#include "check/CycleCalls.h"
#include "framework/AppLog.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "framework/WindowCalls.h"
#include "framework/WorkerThread.h"
#include "store/Account.h"
#include "store/AccountList.h"

namespace {

// How long closing the program waits for the workers that were interrupted.
constexpr DWORD kStopWaitMs = 3000;
// Spacing after failed cycles: the first wait, and the longest.
constexpr UINT kFailedSpacingMs = 10000;
constexpr UINT kMaxFailedSpacingMs = 60000;

bool Running(const CUniqueHandle& thread) {
  return thread.Valid() && WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT;
}

void LogLine(const std::string& line) {
  g_appLog.Append(line.c_str());
}

}  // namespace

const char kNoAccountHint[] = "No mail account yet: right-click the icon and choose Accounts to add one";

UINT CycleSpacingMs(int periodMinutes, int failedCycles) {
  // A hand-edited period counts within the settings dialog's range.
  const UINT period = static_cast<UINT>(std::min(std::max(0, periodMinutes), kMaxPeriodMinutes)) * 60000u;
  if (failedCycles <= 0) return period;
  UINT spacing = kFailedSpacingMs;
  for (int k = 1; k < failedCycles && spacing < kMaxFailedSpacingMs; ++k) spacing *= 2;
  return std::max(period, std::min(spacing, kMaxFailedSpacingMs));
}

CCheckCycle::CCheckCycle(CAccountList& accounts, CSettings& settings, CCycleCalls& window)
    : m_accountList(accounts),
      m_settings(settings),
      m_window(window),
      m_pInbox(std::make_shared<CWindowCalls>()) {
  m_pInbox->Open();
}

CCheckCycle::~CCheckCycle() {
  StopWorkers();
  // A late worker's step, and any step still queued, must not reach a cycle that is gone.
  m_pInbox->Close();
}

void CCheckCycle::PostStart() {
  m_pInbox->Post([this] { OnStartCheck(); });
}

void CCheckCycle::PostNext(DWORD seq) {
  m_pInbox->Post([this, seq] { OnCheckNext(seq); });
}

void CCheckCycle::OnStartCheck() {
  // A second start while a cycle runs would run two workers at once.
  if (m_bViewerOpen || m_bChecking) return;
  m_accountList.SnapshotActive(m_checkList);
  m_nCheckIndex = -1;
  m_nWorkersStarted = 0;
  m_bChecking = true;
  PostNext(++m_nCheckSeq);
}

void CCheckCycle::CheckNow() {
  if (!CanCheckNow()) return;
  // The period counts again from the end of this cycle, which sets its timer.
  m_window.StopTimer(IDT_PERIOD);
  OnStartCheck();
}

void CCheckCycle::OnCheckNext(DWORD seq) {
  if (!m_bChecking || seq != m_nCheckSeq) return;
  m_window.StopTimer(IDT_WATCHDOG);
  ReleaseWorker();
  ++m_nCheckIndex;
  if (m_bViewerOpen || m_nCheckIndex >= static_cast<int>(m_checkList.size())) {
    m_pInbox->Post([this] { OnCheckDone(); });
    return;
  }
  StartWorker(m_checkList[m_nCheckIndex]);
}

void CCheckCycle::StartWorker(CAccount* account) {
  const DWORD seq = ++m_nCheckSeq;
  AccountConnection connection;
  if (!m_accountList.CopyConnection(account, connection)) {
    PostNext(seq);  // the account is gone; nothing to check
    return;
  }
  // A value edited into the registry by hand must not switch the time-outs off.
  const int checkTimeout = ReplyTimeoutSeconds(Setting(CheckTimeout));
  auto job = std::make_shared<CCheckJob>(seq, account, connection, checkTimeout);
  // The same decision as View Mail's: a changed certificate is refused before the login.
  CAccountList& list = m_accountList;
  job->SetCertificateCheck([&list, account, name = connection.name](const ServerCertificate& certificate) {
    return list.JudgeServerCertificate(account, name, certificate.chainTrusted, certificate.fingerprint,
                                       LogLine);
  });
  // The worker may outlive the cycle (given up on when the program closes):
  // it holds the inbox, which refuses its step once the cycle has gone.
  std::shared_ptr<CWindowCalls> inbox = m_pInbox;
  auto advance = [this, inbox, seq] { inbox->Post([this, seq] { OnCheckNext(seq); }); };
  CUniqueHandle thread = StartThread(
      [job, advance] {
        if (RunMailboxCheck(*job, LogLine)) advance();
      },
      [job, advance] {
        if (job->SettleAfterFailure()) advance();
      });
  if (!thread.Valid()) {
    g_appLog.Append(
        Format("Failed to create CheckStatistics thread for %s", connection.name.c_str()).c_str());
    PostNext(seq);  // go on, so that periodic checking continues
    return;
  }
  m_hWorker = std::move(thread);
  ++m_nWorkersStarted;
  m_pJob = job;
  m_window.StartTimer(IDT_WATCHDOG, static_cast<UINT>(checkTimeout) * 1500u);
}

CUniqueHandle CCheckCycle::StartThread(std::function<void()> body, std::function<void()> recover) {
  return StartWorkerThread(std::move(body), std::move(recover));
}

// Lets go of the previous worker; one still running is kept for the close.
void CCheckCycle::ReleaseWorker() {
  if (Running(m_hWorker)) m_strayWorkers.push_back(std::move(m_hWorker));
  m_hWorker.Reset();
  m_strayWorkers.erase(std::remove_if(m_strayWorkers.begin(), m_strayWorkers.end(),
                                      [](const CUniqueHandle& thread) { return !Running(thread); }),
                       m_strayWorkers.end());
  m_pJob.reset();
}

void CCheckCycle::OnCheckTimeout() {
  m_window.StopTimer(IDT_WATCHDOG);
  std::shared_ptr<CCheckJob> job = m_pJob;
  if (!job || job->seq() != m_nCheckSeq) return;
  // The worker has settled (at most it is still ending a failed session,
  // which Abandon cuts short): its own step advances the cycle.
  if (job->Abandon()) return;
  const AccountConnection& c = job->connection();
  g_appLog.Append(
      Format("Timeout getting mail statistics for %s from %s", c.name.c_str(), c.host.c_str()).c_str());
  PostNext(++m_nCheckSeq);
}

void CCheckCycle::OnCheckDone() {
  m_bChecking = false;
  if (m_bViewerOpen) {
    // The viewer's fetch takes the servers over from here; the cycle that
    // follows its closing notifies and sets the period timer again.
    m_window.HandOverServers();
    return;
  }
  const NotifyInput in = GatherNotifyInput();
  NotifyDecision decision = DecideNotification(in);
  ShowDecision(decision);
  if (in.noAccount) ShowAccountsHint();
  PlayNotifySound(decision.sound);
  // Nothing was checked: not one account answered, or no worker could start.
  const bool failed = in.allFailed || m_nWorkersStarted == 0;
  m_nFailedCycles = failed ? m_nFailedCycles + 1 : 0;
  SetPeriodTimer();
}

bool CCheckCycle::OnTimer(UINT_PTR id) {
  // Each timer is one-shot: the next one is set by whoever needs it.
  switch (id) {
    case IDT_PERIOD:
      m_window.StopTimer(id);
      PostStart();
      return true;
    case IDT_WATCHDOG:
      OnCheckTimeout();
      return true;
    case IDT_BALLOON:
      m_window.StopTimer(id);
      m_window.ShowBalloon("", "", false);
      return true;
  }
  return false;
}

void CCheckCycle::StopCheckWorker() {
  m_window.StopTimer(IDT_WATCHDOG);
  StopWorkers();
  m_bChecking = false;
}

void CCheckCycle::StopWorkers() {
  if (m_pJob) m_pJob->Abandon();
  if (m_hWorker.Valid()) m_strayWorkers.push_back(std::move(m_hWorker));
  m_pJob.reset();
  // Every worker's connection is interrupted, so each ends soon; the wait is
  // bounded all the same, as a name look-up cannot be interrupted.
  DWORD start = GetTickCount();
  for (CUniqueHandle& thread : m_strayWorkers) {
    DWORD elapsed = GetTickCount() - start;
    WaitForSingleObject(thread.Get(), elapsed < kStopWaitMs ? kStopWaitMs - elapsed : 0);
  }
  // One still running is kept: WorkersRunning tells the program it may not
  // free what that worker reads.
  m_strayWorkers.erase(std::remove_if(m_strayWorkers.begin(), m_strayWorkers.end(),
                                      [](const CUniqueHandle& thread) { return !Running(thread); }),
                       m_strayWorkers.end());
}

bool CCheckCycle::WorkersRunning() const {
  return Running(m_hWorker) || std::any_of(m_strayWorkers.begin(), m_strayWorkers.end(), Running);
}

// The hand-over.

void CCheckCycle::OnViewerOpening() {
  m_window.StopTimer(IDT_PERIOD);
  m_bViewerOpen = true;
  if (!m_bChecking) m_window.HandOverServers();
}

void CCheckCycle::OnViewerFailed() {
  m_bViewerOpen = false;
  if (!m_bChecking) SetPeriodTimer();
}

void CCheckCycle::OnViewClosed() {
  m_bViewerOpen = false;
  if (!m_bChecking) PostStart();
}

void CCheckCycle::OnViewerStopped() {
  m_bViewerOpen = false;
}

// The notification.

int CCheckCycle::Setting(SettingId id) {
  return m_settings.GetSetting(id);
}

void CCheckCycle::SetPeriodTimer() {
  // Period 0 starts the next cycle at the first timer tick, unless the last ones failed.
  m_window.StartTimer(IDT_PERIOD, CycleSpacingMs(Setting(Period), m_nFailedCycles));
}

NotifyInput CCheckCycle::GatherNotifyInput() {
  NotifyInput in;
  m_accountList.GetFailState(in.wasAllFailed, in.allFailed);
  m_accountList.GetTotals(in.previousTotal, in.currentTotal);
  in.failedAccounts = m_accountList.CountFailedActive();
  in.noAccount = m_accountList.CountKept() == 0;
  in.sound = Setting(Sound) != 0;
  in.balloonHelp = Setting(BalloonHelp) != 0;
  in.balloonTimeout = Setting(BalloonTimeout);
  in.balloonClick = Setting(BalloonClick);
  return in;
}

void CCheckCycle::ShowDecision(const NotifyDecision& d) {
  m_window.SetTrayIcon(d.iconId);
  m_window.SetTrayTip(d.tip.c_str());
  if (d.leaveBalloon) return;
  // A removal timer left from an earlier balloon must not take down this one.
  m_window.StopTimer(IDT_BALLOON);
  if (!d.showBalloon) {
    m_window.ShowBalloon("", "", false);
    return;
  }
  m_window.ShowBalloon("Tidewell", d.balloonText.c_str(), d.clickable);
  if (d.balloonTimerMs != 0) m_window.StartTimer(IDT_BALLOON, d.balloonTimerMs);
}

// Without any account the tray would only say "no account": the balloon,
// once a run, says where to add one, whatever the balloon setting (it is no
// mail notice), and goes when balloons go.
void CCheckCycle::ShowAccountsHint() {
  if (m_bHintShown) return;
  m_bHintShown = true;
  m_window.StopTimer(IDT_BALLOON);
  m_window.ShowAccountsBalloon("Tidewell", kNoAccountHint);
  const int seconds = Setting(BalloonTimeout);
  if (seconds > 0) m_window.StartTimer(IDT_BALLOON, static_cast<UINT>(std::min(seconds, 3600)) * 1000u);
}

void CCheckCycle::PlayNotifySound(NotifySound sound) {
  if (sound == NotifySound::ExclamationBeep) {
    m_window.Beep(MB_ICONEXCLAMATION);
  } else if (sound == NotifySound::NewMail) {
    const std::string file = m_settings.GetSoundFile();
    // Synchronous on purpose: the main window waits until the sound ends.
    if (file.empty() || !m_window.PlaySoundFile(file.c_str())) m_window.Beep(MB_OK);
  }
}
