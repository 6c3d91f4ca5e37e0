// CMailboxDeletion: DELE, the re-sending after a replaced session, and QUIT.
#include "pop3/MailboxDeletion.h"

#include "pop3/Pop3Client.h"

CMailboxDeletion::CMailboxDeletion(CPop3Client& client, const std::vector<ListedMessage>& messages,
                                   const std::atomic<bool>& stop)
    : m_client(client), m_messages(messages), m_stop(stop), m_results(messages.size()) {}

int CMailboxDeletion::Count(DeletionResult::Outcome outcome) const {
  int n = 0;
  for (const DeletionResult& r : m_results) n += r.outcome == outcome ? 1 : 0;
  return n;
}

void CMailboxDeletion::Settle(size_t i, DeletionResult::Outcome outcome, const std::string& error) {
  m_results[i].outcome = outcome;
  m_results[i].error = error;
  if (outcome == DeletionResult::Taken) m_taken.push_back(i);
}

// On the listing session DELE alone; on any later one the message is first
// confirmed to be the one listed, since another client may have changed the
// numbering meanwhile. Throws when the session fails or refuses the DELE.
DeletionResult::Outcome CMailboxDeletion::DeleteOnSession(size_t i) {
  const ListedMessage& listed = m_messages[i];
  if (m_client.SessionNumber() != listed.session) {
    ListedState state = m_client.CheckListed(listed);
    if (state == ListedState::Gone) return DeletionResult::Gone;
    if (state == ListedState::Changed) return DeletionResult::Changed;
  }
  ReplyLines lines;
  m_client.Dele(listed.number, lines);
  return DeletionResult::Taken;
}

void CMailboxDeletion::DeleteAll(const std::function<void(size_t)>& onMessage,
                                 const std::function<void()>& onTaken) {
  for (size_t i = 0; i < m_messages.size() && !m_stop; ++i) {
    if (onMessage) onMessage(i);
    if (!m_bLive) {
      Settle(i, DeletionResult::Lost, m_lastError);
      continue;
    }
    TryDelete(i);
    if (m_results[i].outcome == DeletionResult::Taken && onTaken) onTaken();
  }
}

// Two tries per message, the second on a new session (which first takes
// again what the old one had taken). A refusal on the second is final.
void CMailboxDeletion::TryDelete(size_t i) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      Settle(i, DeleteOnSession(i));
      return;
    } catch (const CPop3Exception& e) {
      if (attempt == 1 && e.code == CPop3Exception::ServerError) {
        Settle(i, DeletionResult::Refused, e.message);
        return;
      }
      bool replaced = Replace(e);
      if (!replaced || attempt == 1) {
        Settle(i, m_stop ? DeletionResult::Stopped : DeletionResult::Lost, e.message);
        return;
      }
    }
  }
}

// Drops the session (without QUIT: a session that failed is not trusted to
// make its deletions final), logs in again and sends again what the old one
// had taken. False when no new session took them: they are then lost.
bool CMailboxDeletion::Replace(const CPop3Exception& why) {
  m_lastError = why.message;
  std::vector<size_t> resend;
  resend.swap(m_taken);
  while (m_nReplacementsLeft > 0 && !m_stop) {
    --m_nReplacementsLeft;
    m_client.Disconnect();
    Sleep(100);
    try {
      m_client.Login();
    } catch (const CPop3Exception& e) {
      m_lastError = e.message;
      continue;
    }
    if (ResendAll(resend)) return true;
  }
  m_client.Disconnect();
  m_bLive = false;
  for (size_t i : resend) Settle(i, m_stop ? DeletionResult::Stopped : DeletionResult::Lost, m_lastError);
  m_taken.clear();
  return false;
}

// False when the new session failed too; what it had taken again is then
// sent again on the next one.
bool CMailboxDeletion::ResendAll(const std::vector<size_t>& resend) {
  m_taken.clear();
  for (size_t i : resend) {
    if (m_stop) {
      Settle(i, DeletionResult::Stopped);
      continue;
    }
    try {
      Settle(i, DeleteOnSession(i));
    } catch (const CPop3Exception& e) {
      m_lastError = e.message;
      // An answer: the session is still good for the others.
      if (e.code == CPop3Exception::ServerError) {
        Settle(i, DeletionResult::Refused, e.message);
        continue;
      }
      m_taken.clear();
      return false;
    }
  }
  return true;
}

void CMailboxDeletion::Commit() {
  while (!m_stop && m_bLive) {
    try {
      m_client.Logout();
      for (size_t i : m_taken) Settle(i, DeletionResult::Deleted);
      m_taken.clear();
      break;
    } catch (const CPop3Exception& e) {
      // With nothing taken there is nothing to make final.
      if (m_taken.empty() || !Replace(e)) break;
    }
  }
  if (m_client.IsLoggedIn()) m_client.Disconnect();
  for (DeletionResult& r : m_results) {
    if (r.outcome != DeletionResult::Pending && r.outcome != DeletionResult::Taken) continue;
    r.outcome = m_stop ? DeletionResult::Stopped : DeletionResult::Lost;
    if (r.error.empty()) r.error = m_lastError;
  }
  m_taken.clear();
}
