// CCheckCycle: the periodic check of every active account, one worker at a
// time under a watchdog, the tray notification at the end of a cycle, and the
// hand-over of the servers to the View Mail window. Every step runs on the
// main window's thread; workers come back to it through a CWindowCalls, and
// the window's own operations are reached through CCycleCalls.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "check/NotifyDecision.h"
#include "framework/Handles.h"
#include "store/Settings.h"

class CAccount;
class CAccountList;
class CCheckJob;
class CCycleCalls;
class CWindowCalls;

// Milliseconds from the end of one cycle to the start of the next: the period,
// but after failedCycles failed cycles in a row at least 10 s, doubling with
// each up to a minute, so that an unreachable server is not asked without rest.
UINT CycleSpacingMs(int periodMinutes, int failedCycles);

// The balloon of a start without any account.
extern const char kNoAccountHint[];

class CCheckCycle {
 public:
  // On the main window's thread, which runs every step from then on.
  CCheckCycle(CAccountList& accounts, CSettings& settings, CCycleCalls& window);
  // Stops a running worker, as StopCheckWorker does, without the timers.
  virtual ~CCheckCycle();
  CCheckCycle(const CCheckCycle&) = delete;
  CCheckCycle& operator=(const CCheckCycle&) = delete;

  // Starts a cycle from the thread's message queue, after what waits there.
  void PostStart();
  void OnStartCheck();
  // The tray's "Check Mail Now": a cycle at once, unless one runs or the
  // viewer is open (CanCheckNow); the period counts from its end.
  void CheckNow();
  bool CanCheckNow() const { return !m_bChecking && !m_bViewerOpen; }
  // A step has ended; any step but the current one is ignored, so a worker
  // the watchdog gave up on cannot advance the cycle twice.
  void OnCheckNext(DWORD seq);
  void OnCheckDone();
  // The watchdog: gives up on the current worker unless it has settled.
  void OnCheckTimeout();
  // IDT_PERIOD, IDT_WATCHDOG and IDT_BALLOON; false for any other timer.
  bool OnTimer(UINT_PTR id);
  // The program is closing: interrupts every worker still running and waits
  // for them, bounded; WorkersRunning then says whether one outlived the wait.
  void StopCheckWorker();

  // The hand-over. A View Mail window opens: no cycle starts while it is
  // open, and the servers are its at once unless a cycle runs, which hands
  // them over after its current account.
  void OnViewerOpening();
  // Its thread could not start: checking goes on on its period.
  void OnViewerFailed();
  // It has ended: a fresh cycle starts at once unless one runs.
  void OnViewClosed();
  // It was ended because the program is closing.
  void OnViewerStopped();

  bool checking() const { return m_bChecking; }
  bool viewerOpen() const { return m_bViewerOpen; }
  // The accounts of the running or last cycle, in the order of their visits.
  const std::vector<CAccount*>& checkList() const { return m_checkList; }
  // True while a worker runs: the current one or one given up on.
  bool WorkersRunning() const;

 protected:
  // Starts one worker thread (StartWorkerThread; a test makes it fail).
  virtual CUniqueHandle StartThread(std::function<void()> body, std::function<void()> recover);

 private:
  void PostNext(DWORD seq);
  void StartWorker(CAccount* account);
  void ReleaseWorker();
  void StopWorkers();
  void SetPeriodTimer();
  void ShowDecision(const NotifyDecision& decision);
  void ShowAccountsHint();
  void PlayNotifySound(NotifySound sound);
  NotifyInput GatherNotifyInput();
  int Setting(SettingId id);

  CAccountList& m_accountList;
  CSettings& m_settings;
  CCycleCalls& m_window;
  std::shared_ptr<CWindowCalls> m_pInbox;  // held by workers too: they may outlive the cycle
  bool m_bChecking = false;
  bool m_bViewerOpen = false;
  std::vector<CAccount*> m_checkList;
  int m_nCheckIndex = -1;
  DWORD m_nCheckSeq = 0;
  int m_nWorkersStarted = 0;          // in the running cycle
  int m_nFailedCycles = 0;            // in a row, up to the last one that ended
  bool m_bHintShown = false;          // the accounts hint comes once a run
  std::shared_ptr<CCheckJob> m_pJob;  // the current account's
  CUniqueHandle m_hWorker;
  std::vector<CUniqueHandle> m_strayWorkers;  // given up on, not ended yet
};
