// CViewMailCore: what the View Mail window holds besides its controls: the
// accounts it lists, the clients the fetch leaves logged in, the rows and
// their sort state, the marked messages, and the fetch and delete workers.
// The window reaches it on its own thread; the workers reach the window only
// through CViewerCalls.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "pop3/ListedMessage.h"
#include "viewer/MailListModel.h"
#include "viewer/ViewerCalls.h"

class CAccount;
class CAccountList;
class CPop3Client;
class CSettings;

class CViewMailCore {
 public:
  // Takes the active accounts (and a copy of their names) at once.
  CViewMailCore(CViewerCalls& window, CAccountList& accountList, CSettings& settings);
  // Asks a running fetch to stop and waits for the worker, whose every wait
  // is bounded by the reply time-out. Not on the window's thread while the
  // window exists: a worker may be waiting for it to carry out a call.
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
  // Puts the item at its sorted place; returns its row.
  int InsertItem(std::unique_ptr<MailItem> item) { return m_model.Insert(std::move(item)); }
  // Mark or unmark the selected rows; changed gets the rows whose texts
  // must be rewritten. Returns the number of marked rows. While closing the
  // marks stay as they are, so the rows shown marked are those deleted.
  int MarkSelected(const std::vector<int>& selected, std::vector<int>& changed);
  int UnmarkSelected(const std::vector<int>& selected, std::vector<int>& changed);
  int BuildDeleteLists() { return m_model.BuildDeleteLists(m_deleteLists); }
  // The IDT_FETCH timer. False when the thread could not be started: that
  // is logged and the fetch counts as done (WM_FETCH_DONE is posted).
  bool StartFetchWorker();
  void RequestStop() { m_bStopRequested = true; }
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
  bool waitingForCheck() const { return m_bWaitForCheck; }

  // Thread routines; the argument is the core.
  static DWORD WINAPI FetchWorker(LPVOID viewer);
  static DWORD WINAPI DeleteWorker(LPVOID viewer);

 private:
  struct UidTable;

  // FetchWorker.cpp
  void FetchAllAccounts();
  void FetchAccount(int k);
  void FetchMessage(int k, int index, int count, CPop3Client& client, UidTable& uids);
  // DeleteWorker.cpp
  void DeleteMarked();
  bool DeleteAccountMessages(int k, int& n);
  void LogoutAll();

  void Title(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Pause(DWORD ms) const;
  bool StartWorker(LPTHREAD_START_ROUTINE routine, const char* what);

  CViewerCalls& m_window;
  CAccountList& m_accountList;
  CSettings& m_settings;
  std::vector<CAccount*> m_accounts;                    // live records; the list owns them
  std::vector<std::unique_ptr<CPop3Client>> m_clients;  // one slot per account position
  std::vector<std::vector<int>> m_deleteLists;          // marked message numbers per account
  CMailListModel m_model;

  // Built on the window's thread when the close starts; only the delete
  // worker reads it, so marking or sorting meanwhile cannot reach it.
  std::vector<std::vector<ListedMessage>> m_deleteJob;
  int m_nDeleteTotal = 0;

  std::atomic<bool> m_bWaitForCheck{true};
  std::atomic<bool> m_bStopRequested{false};
  std::atomic<bool> m_bFetchDone{false};
  std::atomic<bool> m_bClosing{false};
  bool m_bVisiblePauses = true;
  CUniqueHandle m_hWorker;
};
