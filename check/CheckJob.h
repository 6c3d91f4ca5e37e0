// One account's check, shared between the worker thread that runs it and the
// main thread's watchdog. Whichever side settles the account first wins: once
// the watchdog has given up, nothing the worker does later reaches the account.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "store/Account.h"

class CAccount;
class CPop3Client;

class CCheckJob {
 public:
  CCheckJob(DWORD seq, CAccount* account, const AccountConnection& connection, int checkTimeout,
            HWND notifyWindow);
  ~CCheckJob();
  CCheckJob(const CCheckJob&) = delete;
  CCheckJob& operator=(const CCheckJob&) = delete;

  DWORD seq() const { return m_seq; }
  CAccount* account() const { return m_pAccount; }
  const AccountConnection& connection() const { return m_connection; }
  int checkTimeout() const { return m_nCheckTimeout; }
  HWND notifyWindow() const { return m_hNotify; }

  // Worker side. Publishes the client so the watchdog can close its socket;
  // false when the watchdog has already given up on this job.
  bool AttachClient(CPop3Client* client);
  void DetachClient();
  // Stores the result in the account unless the watchdog came first; true
  // when it was stored (and the worker's message is then the one that counts).
  bool SettleWithCount(int count);
  bool SettleWithError();

  // Main-thread side. Returns true when the worker had settled already;
  // otherwise marks the account failed, interrupts the worker's connection so
  // its blocking call returns, and from now on ignores the worker.
  bool Abandon();
  bool abandoned() const;

 private:
  bool Settle(bool ok, int count);

  const DWORD m_seq;
  CAccount* const m_pAccount;
  const AccountConnection m_connection;
  const int m_nCheckTimeout;
  const HWND m_hNotify;

  mutable CRITICAL_SECTION m_cs;
  CPop3Client* m_pClient = nullptr;  // not owned; the worker deletes it
  bool m_bSettled = false;
  bool m_bAbandoned = false;
};

// Logs in, asks STAT and logs out on one connection. On failure returns false
// with the log line in errorLine. The job is only used to publish the client.
bool QueryMailboxCount(CCheckJob& job, int& count, std::string& errorLine);

// Thread entry point: its argument is a heap-allocated std::shared_ptr<CCheckJob>
// that the thread takes over.
DWORD WINAPI CheckStatistics(LPVOID param);
