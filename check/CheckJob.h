// One account's check, shared between the worker thread that runs it and the
// main thread's watchdog. Whichever side settles the account first wins: once
// the watchdog has given up, nothing the worker does later reaches the account.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/CriticalSection.h"
#include "pop3/CertificateTrust.h"
#include "store/Account.h"

class CAccount;
class CPop3Client;

class CCheckJob {
 public:
  CCheckJob(DWORD seq, CAccount* account, const AccountConnection& connection, int checkTimeout);
  CCheckJob(const CCheckJob&) = delete;
  CCheckJob& operator=(const CCheckJob&) = delete;

  DWORD seq() const { return m_seq; }
  CAccount* account() const { return m_pAccount; }
  const AccountConnection& connection() const { return m_connection; }
  int checkTimeout() const { return m_nCheckTimeout; }
  // The verdict on the server's certificate; without one only a certificate
  // the system trusts passes.
  void SetCertificateCheck(CertificateCheck check) { m_certificateCheck = std::move(check); }
  const CertificateCheck& certificateCheck() const { return m_certificateCheck; }

  // Worker side. Publishes the client so the watchdog can close its socket;
  // false when the watchdog has already given up on this job.
  bool AttachClient(CPop3Client* client);
  void DetachClient();
  // Stores the result in the account unless the watchdog came first; true
  // when it was stored (and the worker's message is then the one that counts).
  bool SettleWithCount(int count);
  bool SettleWithError();
  // A failure no one expected (memory running out): settles the job as failed
  // unless it was settled already. True when the worker's step is then the
  // one that counts (false once the watchdog has given up on the job).
  bool SettleAfterFailure();

  // Main-thread side. Interrupts the worker's connection so that its blocking
  // call returns (a settled worker may still be ending a failed session).
  // Returns true when the worker had settled already; otherwise marks the
  // account failed and from now on ignores the worker.
  bool Abandon();
  bool abandoned() const;

 private:
  bool Settle(bool ok, int count);

  const DWORD m_seq;
  CAccount* const m_pAccount;
  const AccountConnection m_connection;
  const int m_nCheckTimeout;
  CertificateCheck m_certificateCheck;

  mutable CCriticalSection m_cs;
  CPop3Client* m_pClient = nullptr;  // not owned; the worker deletes it
  bool m_bSettled = false;
  bool m_bAbandoned = false;
};

// Logs in, asks STAT and logs out on one connection, and settles the job with
// the count or as failed. A failure is settled and its line handed to logLine
// before the session is ended: the watchdog may give up on a slow QUIT, and
// the reason must not be lost with it. True when this call settled the job
// (the worker's message is then the one that counts).
bool RunMailboxCheck(CCheckJob& job, const std::function<void(const std::string&)>& logLine);

// The check's client: it connects directly, and sends and waits for replies
// half the check's time-out each, leaving the watchdog's margin for the rest.
std::unique_ptr<CPop3Client> MakeCheckClient(const CCheckJob& job);
