// CMailboxDeletion: one account's marked messages deleted on the session that
// listed them and made final by QUIT. A server removes a session's deletions
// only at its QUIT, so when a session is replaced the deletions it had taken
// are sent again on the new one, each after the check that the message is
// still the one listed.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "pop3/ListedMessage.h"

class CPop3Client;
class CPop3Exception;

struct DeletionResult {
  enum Outcome {
    Pending,  // not reached (yet)
    Taken,    // DELE answered on the current session; final at its QUIT
    Deleted,  // the QUIT after its DELE was answered "+OK"
    Gone,     // its id is on the server no more
    Changed,  // its number names another message now: left alone
    Refused,  // the server refused its DELE (after one new session)
    Lost,     // no session could be kept to delete it on
    Stopped,  // the worker was asked to stop first
  };
  Outcome outcome = Pending;
  std::string error;  // Refused, Lost: the failure's own text
};

class CMailboxDeletion {
 public:
  // Messages from one account's listing, all on client; stop is polled
  // between commands.
  CMailboxDeletion(CPop3Client& client, const std::vector<ListedMessage>& messages,
                   const std::atomic<bool>& stop);
  CMailboxDeletion(const CMailboxDeletion&) = delete;
  CMailboxDeletion& operator=(const CMailboxDeletion&) = delete;

  // DELE for each message in order. onMessage(i) runs before message i,
  // onTaken after each DELE the server answered.
  void DeleteAll(const std::function<void(size_t)>& onMessage, const std::function<void()>& onTaken);
  // QUIT, read to its answer: only "+OK" makes the deletions taken final.
  // A failed QUIT replaces the session like a failed DELE. After a stop
  // request nothing more is sent: the connection is dropped and every
  // message stays on the server.
  void Commit();

  const std::vector<DeletionResult>& results() const { return m_results; }
  int Count(DeletionResult::Outcome outcome) const;

 private:
  // At most this many new sessions per account: a server that keeps
  // dropping the connection must not keep the worker going.
  static const int kMaxReplacements = 2;

  DeletionResult::Outcome DeleteOnSession(size_t i);
  void TryDelete(size_t i);
  bool Replace(const CPop3Exception& why);
  bool ResendAll(const std::vector<size_t>& resend);
  void Settle(size_t i, DeletionResult::Outcome outcome, const std::string& error = std::string());

  CPop3Client& m_client;
  const std::vector<ListedMessage>& m_messages;
  const std::atomic<bool>& m_stop;
  std::vector<DeletionResult> m_results;
  std::vector<size_t> m_taken;  // answered on the current session, in order
  int m_nReplacementsLeft = kMaxReplacements;
  bool m_bLive = true;  // false once no session could be had
  std::string m_lastError;
};
