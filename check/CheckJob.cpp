#include "check/CheckJob.h"

#include <memory>

#include "framework/Format.h"
#include "pop3/Pop3Client.h"
#include "pop3/Pop3Exception.h"
#include "store/Account.h"
#include "store/Settings.h"

namespace {

// Ends a session that failed while still logged in, while the watchdog can
// still interrupt it; the client's destructor would otherwise send QUIT after
// the job has let go of it.
void EndFailedSession(CPop3Client& client) {
  if (!client.IsLoggedIn()) return;
  try {
    client.Logout();
  } catch (const CPop3Exception&) {
    client.Disconnect();
  }
}

// The watchdog may have given up on the job already: it has then logged the
// account's time-out, and this line would contradict it.
bool SettleFailed(CCheckJob& job, const std::function<void(const std::string&)>& logLine,
                  const std::string& line) {
  if (!job.SettleWithError()) return false;
  logLine(line);
  return true;
}

}  // namespace

CCheckJob::CCheckJob(DWORD seq, CAccount* account, const AccountConnection& connection, int checkTimeout)
    : m_seq(seq), m_pAccount(account), m_connection(connection), m_nCheckTimeout(checkTimeout) {}

bool CCheckJob::AttachClient(CPop3Client* client) {
  CLock lock(m_cs);
  if (m_bAbandoned) return false;
  m_pClient = client;
  return true;
}

void CCheckJob::DetachClient() {
  CLock lock(m_cs);
  m_pClient = nullptr;
}

bool CCheckJob::Settle(bool ok, int count) {
  CLock lock(m_cs);
  if (m_bAbandoned || m_bSettled) return false;
  m_bSettled = true;
  if (m_pAccount) {
    if (ok)
      m_pAccount->SetCount(count);
    else
      m_pAccount->SetError();
  }
  return true;
}

bool CCheckJob::SettleWithCount(int count) {
  return Settle(true, count);
}
bool CCheckJob::SettleWithError() {
  return Settle(false, 0);
}

bool CCheckJob::SettleAfterFailure() {
  return SettleWithError() || !abandoned();
}

bool CCheckJob::Abandon() {
  CLock lock(m_cs);
  // The worker's blocked connect, send or receive then fails, so the thread
  // ends by itself and releases whatever it holds.
  if (m_pClient) m_pClient->Interrupt();
  if (m_bSettled) return true;
  if (m_bAbandoned) return false;
  m_bAbandoned = true;
  if (m_pAccount) m_pAccount->SetError();
  return false;
}

bool CCheckJob::abandoned() const {
  CLock lock(m_cs);
  return m_bAbandoned;
}

std::unique_ptr<CPop3Client> MakeCheckClient(const CCheckJob& job) {
  const int halfTimeout = HalfReplyTimeoutSeconds(job.checkTimeout());
  auto client = std::make_unique<CPop3Client>(job.connection().ssl, halfTimeout, halfTimeout);
  client->SetCertificateCheck(job.certificateCheck());
  return client;
}

bool RunMailboxCheck(CCheckJob& job, const std::function<void(const std::string&)>& logLine) {
  const AccountConnection& c = job.connection();
  std::unique_ptr<CPop3Client> client = MakeCheckClient(job);
  if (!job.AttachClient(client.get())) return false;
  // Let go of the client before it is destroyed, however this function ends,
  // so the watchdog never interrupts a client that is gone.
  struct ClientRelease {
    CCheckJob& job;
    ~ClientRelease() { job.DetachClient(); }
  } release{job};
  bool settled = false;
  try {
    // The check always connects directly; the proxy serves only the viewer.
    client->Open(false, "", 0, c.host.c_str(), c.port, c.user.c_str(), c.password.c_str());
    int count = 0, size = 0;
    client->GetStatistics(count, size);
    client->Logout();
    if (count != -1)
      settled = job.SettleWithCount(count);
    else
      settled = SettleFailed(
          job, logLine,
          Format("No reply getting mail statistics for %s from %s", c.name.c_str(), c.host.c_str()));
  } catch (const CPop3Exception& e) {
    settled = SettleFailed(job, logLine,
                           Format("Error getting mail statistics for %s from %s: %s", c.name.c_str(),
                                  c.host.c_str(), FirstLineOf(e.message).c_str()));
    EndFailedSession(*client);
  }
  return settled;
}
