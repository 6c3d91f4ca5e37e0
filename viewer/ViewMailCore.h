// CViewMailCore: what the View Mail window holds besides its controls: the
// accounts it lists, the clients the fetch leaves logged in, the rows and
// their sort state, the marked messages, and the fetch and delete workers.
// The window reaches it on its own thread; the workers (CFetchWorker,
// CDeleteWorker) reach the window only through CViewerCalls.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/Handles.h"
#include "pop3/ListedMessage.h"
#include "pop3/MailboxDeletion.h"
#include "viewer/MailListModel.h"
#include "viewer/ViewerCalls.h"

class CAccount;
class CAccountList;
class CPop3Client;
struct MessageSizes;
class CSettings;
struct PreviewJob;

class CViewMailCore {
 public:
  // Takes the active accounts (and a copy of their names) at once.
  CViewMailCore(CViewerCalls& window, CAccountList& accountList, CSettings& settings);
  // EndWorkers.
  ~CViewMailCore();
  CViewMailCore(const CViewMailCore&) = delete;
  CViewMailCore& operator=(const CViewMailCore&) = delete;

  // Main thread: the check cycle has handed the servers over.
  void StartFetch() { m_bWaitForCheck = false; }

  // Window thread.
  void LoadSortState();
  // A click on column's heading: the same column turns the direction round,
  // another one sorts ascending. Stored at once; the rows are re-sorted.
  void SortByColumn(int column);
  // Puts the item at its sorted place, then show puts the row into the
  // window's list. When show fails the item leaves the model again (logged), so the rows stay in
  // step with the list and a mark always lands on the message shown.
  // Returns the row, or -1.
  int InsertShownItem(std::unique_ptr<MailItem> item, const std::function<bool(int row, MailItem&)>& show);
  // Any thread: the item waits for the window (the fetch worker's rows).
  void QueueRow(std::unique_ptr<MailItem> item);
  // Window thread: every waiting row, in arrival order, through
  // InsertShownItem, so each lands where it would have landed alone, under
  // the sort state of now. Returns how many were shown.
  int InsertWaitingRows(const std::function<bool(int row, MailItem&)>& show);
  bool rowsWaiting();
  // Mark or unmark the selected rows; changed gets the rows whose texts
  // must be rewritten. Returns the number of marked rows. While closing the
  // marks stay as they are, so the rows shown marked are those deleted.
  int MarkSelected(const std::vector<int>& selected, std::vector<int>& changed);
  int UnmarkSelected(const std::vector<int>& selected, std::vector<int>& changed);
  int BuildDeleteLists() { return m_model.BuildDeleteLists(m_deleteLists); }
  // The IDT_FETCH timer. False when the thread could not be started: that
  // is logged and the fetch counts as done (WM_FETCH_DONE is posted).
  bool StartFetchWorker();
  // The user's stop of a fetch: the reply under way is cut off, no further
  // message or account is fetched.
  void RequestStop() { m_bStopRequested = true; }
  // Any thread: the window ends at once (the program is closing). The
  // workers stop between commands, the command under way is cut off, and
  // nothing more is deleted: what was not deleted yet stays on the server.
  void Abandon();
  // Abandon, then waits at most ms for the worker; once it has ended, the
  // clients still logged in are dropped without QUIT (no deletion is
  // pending on them). False when the worker still runs. A worker's call to
  // a window that has gone is refused, so the worker does not wait for it.
  bool StopWorkers(DWORD ms);
  // StopWorkers within a bounded wait, for the owner's destructor. Should
  // the worker still run after it, the process ends here (after a log
  // line) rather than free what the worker reads.
  void EndWorkers();
  // The close request once the fetch is done: gathers the marked messages
  // into the worker's own lists and starts it. False, and nothing done,
  // while the fetch runs or a close is under way; false also when the
  // thread could not be started: that is logged and the window stays open
  // and usable.
  bool StartDeleteWorker();
  // WM_DELETE_DONE: frees the lists and the rows. The window empties its
  // list control before this, then stores its sizes and closes.
  void OnDeleteDone();
  // A refresh once the fetch is done: every kept client logs out and goes,
  // the rows go too, and the stop and done flags are cleared.
  void ClearForRefresh();
  // True when no worker runs (any more) within ms.
  bool WaitForWorker(DWORD ms);
  // Window thread: the information window's text fetch for item (PreviewSource.cpp).
  bool PreviewJobFor(const MailItem& item, PreviewJob& job);

  // Leaves out the pauses that let the user read each title; for timing
  // the listing itself.
  void SetVisiblePauses(bool on) { m_bVisiblePauses = on; }

  const CMailListModel& model() const { return m_model; }
  CMailListModel& model() { return m_model; }
  int accountCount() const { return static_cast<int>(m_accounts.size()); }
  CPop3Client* client(int k) const { return m_clients[k].get(); }
  const std::vector<std::vector<int>>& deleteLists() const { return m_deleteLists; }
  bool fetchDone() const { return m_bFetchDone; }
  bool stopRequested() const { return m_bStopRequested; }
  bool closing() const { return m_bClosing; }
  bool ending() const { return m_bEnding; }
  bool waitingForCheck() const { return m_bWaitForCheck; }

 private:
  // The workers are the core's own code on their threads.
  friend class CFetchWorker;
  friend class CDeleteWorker;

  // The client a worker is talking to, which Abandon interrupts.
  class CBusyClient {
   public:
    CBusyClient(CViewMailCore& core, CPop3Client& client);
    ~CBusyClient();
    CBusyClient(const CBusyClient&) = delete;
    CBusyClient& operator=(const CBusyClient&) = delete;

   private:
    CViewMailCore& m_core;
  };
  void SetBusyClient(CPop3Client* client);

  void Title(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Cut short when the window ends at once.
  void Pause(DWORD ms) const;
  // Runs body on the worker thread; recover, should body throw.
  bool StartWorker(std::function<void()> body, std::function<void()> recover, const char* what);

  CViewerCalls& m_window;
  CAccountList& m_accountList;
  CSettings& m_settings;
  std::vector<CAccount*> m_accounts;                    // live records; the list owns them
  std::vector<std::unique_ptr<CPop3Client>> m_clients;  // one slot per account position
  std::vector<std::vector<int>> m_deleteLists;          // marked message numbers per account
  CMailListModel m_model;
  CCriticalSection m_waitingLock;  // guards m_waiting
  std::vector<std::unique_ptr<MailItem>> m_waiting;

  // Built on the window's thread when the close starts; only the delete
  // worker reads it, so marking or sorting meanwhile cannot reach it.
  std::vector<std::vector<ListedMessage>> m_deleteJob;
  std::vector<std::vector<std::string>> m_deleteSubjects;  // UTF-8, beside m_deleteJob
  int m_nDeleteTotal = 0;

  std::atomic<bool> m_bWaitForCheck{true};
  std::atomic<bool> m_bStopRequested{false};
  std::atomic<bool> m_bFetchDone{false};
  std::atomic<bool> m_bClosing{false};
  std::atomic<bool> m_bEnding{false};
  bool m_bVisiblePauses = true;
  CUniqueHandle m_hWorker;
  CCriticalSection m_busyLock;  // guards m_pBusyClient against Abandon
  CPop3Client* m_pBusyClient = nullptr;
};
