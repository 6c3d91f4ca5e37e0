// CPop3Client: one account's POP3 session as the workers use it: open and
// log in, STAT, LIST, TOP, DELE, QUIT, with one reconnecting retry.
#pragma once

#include <string>
#include <vector>

#include "pop3/Pop3Connection.h"

struct MailHeader;
struct ListedMessage;
enum class ListedState;
class CHeaderWindow;

// Every message's size from one LIST without a number, for the session that
// listed it: bytes[n] is message n's size, -1 where the listing named none.
struct MessageSizes {
  int session = 0;
  std::vector<int> bytes;

  // Whether the listing holds message number on the given session.
  bool Holds(int number, int onSession) const {
    return onSession == session && number > 0 && number < static_cast<int>(bytes.size()) &&
           bytes[number] >= 0;
  }
};

class CPop3Client : public CPop3Connection {
 public:
  CPop3Client(bool ssl, int sendTimeout, int receiveTimeout);
  // Sends QUIT when still logged in, swallowing any failure.
  ~CPop3Client();

  // Keeps the parameters (a retry logs in again with them), then logs in.
  void Open(bool useProxy, const char* proxyHost, int proxyPort, const char* host, int port, const char* user,
            const char* password);
  void Login();
  // QUIT; logged in stays set when it fails.
  void Logout();
  // Drops the connection without QUIT; never throws.
  void Disconnect();
  // STAT, retried. Values the reply lacks stay as the caller preset them.
  void GetStatistics(int& count, int& size);
  // LIST number, not retried; 0 when the reply carries no size.
  int GetMessageSize(int number);
  // LIST, for messages 1 to count, not retried. False when the server
  // refuses it or the connection fails (a fresh one is left then, as the
  // retry of a failed command would); the caller asks LIST n instead.
  bool ListSizes(int count, MessageSizes& sizes);
  // DELE number, retried.
  void DeleteMessage(int number);
  // TOP number lineCount, retried, keeping at most keep bytes of the reply's
  // lines (ReadReplyKeeping); lines gets the last attempt's. True when lines
  // were dropped.
  bool FetchTop(int number, int lineCount, size_t keep, ReplyLines& lines);
  // TOP number 0 with header extraction, retried.
  void FetchHeader(int number, MailHeader& header);
  // The same for one message of a listing whose commands may go out ahead
  // (the window's): results, errors and the retry are those of the above; a
  // retry goes on one command at a time.
  void FetchHeader(int number, MailHeader& header, CHeaderWindow& ahead);
  // The same with the size taken from sizes while they hold for the session
  // (LIST n otherwise, a retry's session included).
  void FetchHeader(int number, MailHeader& header, const MessageSizes& sizes);
  // CAPA lists PIPELINING. A server without CAPA says so ("-ERR"); any other
  // failure leaves a fresh connection (or throws what its login threw).
  bool OffersPipelining();

  bool IsLoggedIn() const { return m_bLoggedIn; }
  // Counts the connections made: message numbers hold only within one.
  int SessionNumber() const { return m_nSession; }

  // Unique-id listing.
  // UIDL: ids[n] is message n's id (ids[0] unused). False when the server
  // offers no UIDL.
  bool ListUniqueIds(std::vector<std::string>& ids);
  // DELE, retried; on a later session than the listing one the message is
  // first confirmed to be the listed one, and is left alone (thrown) if not.
  void DeleteListedMessage(const ListedMessage& listed);
  // Not retried: whether listed.number names the message listed, by its id
  // or without one by its header block. Throws when the session fails.
  ListedState CheckListed(const ListedMessage& listed);

 protected:
  // Runs operation; on a CPop3Exception (but a reply over the size limit or
  // a stop) reconnects once without QUIT and runs it again. The second failure, or one from the re-login,
  // reaches the caller.
  template <class Operation>
  void RunWithRetry(Operation operation) {
    RunWithRetryUntil([&](bool /*lastAttempt*/) {
      operation();
      return true;
    });
  }

  // The same rule for an attempt that can also ask for the second run by
  // returning false (a reply worth asking again); the second run is told it
  // is the last, and what it returns is ignored.
  template <class Attempt>
  void RunWithRetryUntil(Attempt attempt) {
    try {
      if (attempt(false)) return;
    } catch (const CPop3Exception& e) {
      if (e.IsReplyTooLong() || e.code == CPop3Exception::Stopped) throw;
    }
    Reconnect();
    attempt(true);
  }

 private:
  // Drops the connection without QUIT, pauses briefly and logs in again.
  void Reconnect();
  // One attempt of FetchHeader; sent: the commands went out ahead, only
  // their replies are read. False asks for the second attempt.
  bool HeaderAttempt(int number, MailHeader& header, bool lastAttempt, bool sent,
                     const MessageSizes* sizes = nullptr);
  int MessageSize(int number, bool sent);

  bool m_bLoggedIn;
  bool m_bUseProxy;
  std::string m_proxyHost;
  int m_nProxyPort;
  std::string m_host;
  int m_nPort;
  std::string m_user;
  std::string m_password;
  int m_nSession = 0;

  // One UIDL listing, not retried; false when the server offers none.
  bool ReadUniqueIds(std::vector<std::string>& ids);
};
