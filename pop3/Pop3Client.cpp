// CPop3Client: login, the mailbox operations, the retry rule, the header
// listing and the deletion that never hits a message other than the one listed.
#include "pop3/Pop3Client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pop3/HeaderParse.h"
#include "pop3/HeaderWindow.h"
#include "pop3/ListedMessage.h"
#include "pop3/MailHeader.h"

namespace {

void ClearHeader(MailHeader& header) {
  header.from.clear();
  header.subject.clear();
  header.date.clear();
  header.sizeBytes.clear();
  header.lines.clear();  // sizeText is always written on success
}

// "n id" of a UIDL line, after the status marker for a single-message reply.
bool ParseUidLine(const char* text, int& number, std::string& uid) {
  char* end = nullptr;
  long value = strtol(text, &end, 10);
  if (end == text || *end != ' ' || value <= 0 || value > 0x7fffffff) return false;
  const char* start = end + strspn(end, " ");
  size_t length = strcspn(start, " ");
  if (length == 0) return false;
  number = static_cast<int>(value);
  uid.assign(start, length);
  return true;
}

// The header block without its status line, which may carry other words on
// another session.
bool SameHeaderBlock(const ReplyLines& a, const ReplyLines& b) {
  if (a.empty() || a.size() != b.size()) return false;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

CPop3Client::CPop3Client(bool ssl, int sendTimeout, int receiveTimeout)
    : CPop3Connection(ssl, sendTimeout, receiveTimeout),
      m_bLoggedIn(false),
      m_bUseProxy(false),
      m_nProxyPort(0),
      m_nPort(0) {}

CPop3Client::~CPop3Client() {
  if (!m_bLoggedIn) return;
  try {
    Logout();
  } catch (const CPop3Exception&) {
    // Nothing to report to from a destructor; the socket closes below.
  }
}

void CPop3Client::Open(bool useProxy, const char* proxyHost, int proxyPort, const char* host, int port,
                       const char* user, const char* password) {
  m_bUseProxy = useProxy;
  m_proxyHost = proxyHost ? proxyHost : "";
  m_nProxyPort = proxyPort;
  m_host = host ? host : "";
  m_nPort = port;
  m_user = user ? user : "";
  m_password = password ? password : "";
  Login();
}

void CPop3Client::Login() {
  ++m_nSession;
  ReplyLines lines;
  OpenConnection(m_bUseProxy, m_proxyHost.c_str(), m_nProxyPort, m_host.c_str(), m_nPort, lines);
  User(m_user.c_str(), lines);
  Pass(m_password.c_str(), lines);
  m_bLoggedIn = true;
}

void CPop3Client::Logout() {
  ReplyLines lines;
  Quit(lines);
  m_bLoggedIn = false;
}

void CPop3Client::Disconnect() {
  Close();
  // Without a connection there is no session for the destructor to QUIT.
  m_bLoggedIn = false;
}

void CPop3Client::Reconnect() {
  Disconnect();
  Sleep(100);
  Login();
}

void CPop3Client::GetStatistics(int& count, int& size) {
  RunWithRetry([&] {
    ReplyLines lines;
    Stat(lines);
    if (lines.empty()) {
      count = -1;
      size = -1;
      return;
    }
    ParseStatusNumbers(lines[0].c_str(), count, size);
  });
}

int CPop3Client::GetMessageSize(int number) {
  return MessageSize(number, false);
}

int CPop3Client::MessageSize(int number, bool sent) {
  ReplyLines lines;
  if (sent) {
    ReadReply(lines, m_nReceiveTimeout, false);
  } else {
    List(number, lines);
  }
  int listed = 0;
  int size = 0;
  if (!lines.empty()) ParseStatusNumbers(lines[0].c_str(), listed, size);
  return size;
}

bool CPop3Client::ListSizes(int count, MessageSizes& sizes) {
  sizes.session = m_nSession;
  sizes.bytes.assign(static_cast<size_t>(count > 0 ? count + 1 : 1), -1);
  ReplyLines lines;
  try {
    SendCommand("LIST");
    ReadReply(lines, m_nReceiveTimeout, true);
  } catch (const CPop3Exception& e) {
    sizes.bytes.assign(1, -1);
    if (e.code == CPop3Exception::ServerError) return false;
    if (e.code == CPop3Exception::Stopped) throw;
    // The session is in doubt (a reply may still be on its way).
    Reconnect();
    return false;
  }
  // The status line first and "." last; a line that names no message of the
  // mailbox is left out.
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    int number = 0;
    int size = -1;
    if (sscanf(lines[i].c_str(), "%d %d", &number, &size) != 2) continue;
    if (number > 0 && number <= count && size >= 0) sizes.bytes[number] = size;
  }
  return true;
}

void CPop3Client::DeleteMessage(int number) {
  RunWithRetry([&] {
    ReplyLines lines;
    Dele(number, lines);
  });
}

bool CPop3Client::FetchTop(int number, int lineCount, size_t keep, ReplyLines& lines) {
  bool dropped = false;
  RunWithRetry([&] {
    lines.clear();
    dropped = TopKeeping(number, lineCount, keep, lines);
  });
  return dropped;
}

bool CPop3Client::OffersPipelining() {
  ReplyLines lines;
  try {
    SendCommand("CAPA");
    ReadReply(lines, m_nReceiveTimeout, true);
  } catch (const CPop3Exception& e) {
    if (e.code == CPop3Exception::ServerError) return false;
    if (e.code == CPop3Exception::Stopped) throw;
    // The session is in doubt (a late reply may still come): the listing
    // starts on a fresh one, as a failed command's retry would.
    Reconnect();
    return false;
  }
  // Capability names are case-insensitive; arguments may follow a blank.
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.size() >= 10 && _strnicmp(line.c_str(), "PIPELINING", 10) == 0 &&
        (line.size() == 10 || line[10] == ' '))
      return true;
  }
  return false;
}

// The header listing.

// Like every retried operation, but an incomplete header also reconnects
// once: a server that cut the reply short gets a second chance. The second
// result stays, with whatever it lacks left empty.
void CPop3Client::FetchHeader(int number, MailHeader& header) {
  RunWithRetryUntil([&](bool lastAttempt) { return HeaderAttempt(number, header, lastAttempt, false); });
}

// The retry reconnects, which leaves the window off: the second attempt
// sends its own commands.
void CPop3Client::FetchHeader(int number, MailHeader& header, CHeaderWindow& ahead) {
  try {
    RunWithRetryUntil([&](bool lastAttempt) {
      return HeaderAttempt(number, header, lastAttempt, ahead.SendThrough(number));
    });
  } catch (const CPop3Exception&) {
    ahead.Abandon();
    throw;
  }
}

void CPop3Client::FetchHeader(int number, MailHeader& header, const MessageSizes& sizes) {
  RunWithRetryUntil(
      [&](bool lastAttempt) { return HeaderAttempt(number, header, lastAttempt, false, &sizes); });
}

bool CPop3Client::HeaderAttempt(int number, MailHeader& header, bool lastAttempt, bool sent,
                                const MessageSizes* sizes) {
  ClearHeader(header);
  if (sent) {
    ReadReply(header.lines, m_nReceiveTimeout, true);
  } else {
    Top(number, 0, header.lines);
  }
  // All three searches run, so every field is set either way.
  bool foundFrom = FindHeader(header.lines, "From:", header.from);
  bool foundSubject = FindHeader(header.lines, "Subject:", header.subject);
  bool foundDate = FindHeader(header.lines, "Date:", header.date);
  if (!(foundFrom && foundSubject && foundDate) && !lastAttempt) return false;
  // A reconnected session may number the messages differently: it asks again.
  int size = sizes && sizes->Holds(number, m_nSession) ? sizes->bytes[number] : MessageSize(number, sent);
  header.sizeBytes = std::to_string(size);
  header.sizeText = std::to_string(size / 1000 + 1) + " KB";
  return true;
}

// Unique ids and the listed message.

bool CPop3Client::ListUniqueIds(std::vector<std::string>& ids) {
  bool offered = true;
  RunWithRetry([&] { offered = ReadUniqueIds(ids); });
  return offered;
}

bool CPop3Client::ReadUniqueIds(std::vector<std::string>& ids) {
  ids.clear();
  ReplyLines lines;
  SendCommand("UIDL");
  try {
    ReadReply(lines, m_nReceiveTimeout, true);
  } catch (const CPop3Exception& e) {
    if (e.code != CPop3Exception::ServerError) throw;
    return false;  // a server without UIDL says so; nothing to retry
  }
  // Between the status line and the closing ".". Before any DELE no number
  // exceeds the count of listed lines; a larger one is not trusted to size
  // the table.
  const int most = static_cast<int>(lines.size());
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    int number = 0;
    std::string uid;
    if (!ParseUidLine(lines[i].c_str(), number, uid) || number > most) continue;
    if (ids.size() <= static_cast<size_t>(number)) ids.resize(number + 1);
    ids[number] = uid;
  }
  return true;
}

// "-ERR" (no such message any more) is an answer, not a failed session.
ListedState CPop3Client::CheckListed(const ListedMessage& listed) {
  ReplyLines lines;
  if (listed.uid.empty()) {
    try {
      Top(listed.number, 0, lines);
    } catch (const CPop3Exception& e) {
      if (e.code == CPop3Exception::ServerError) return ListedState::Changed;
      throw;
    }
    return SameHeaderBlock(lines, listed.headerLines) ? ListedState::Listed : ListedState::Changed;
  }
  char command[32];
  snprintf(command, sizeof(command), "UIDL %d", listed.number);
  SendCommand(command);
  try {
    ReadReply(lines, m_nReceiveTimeout, false);
    int number = 0;
    std::string uid;
    if (!lines.empty() && lines[0].compare(0, 3, "+OK") == 0 &&
        ParseUidLine(lines[0].c_str() + 3 + strspn(lines[0].c_str() + 3, " "), number, uid) &&
        number == listed.number && uid == listed.uid)
      return ListedState::Listed;
  } catch (const CPop3Exception& e) {
    if (e.code != CPop3Exception::ServerError) throw;
  }
  // Not under its number: the whole listing tells whether it is still there
  // under another one (left alone: only the listed number was confirmed) or
  // gone.
  std::vector<std::string> ids;
  if (!ReadUniqueIds(ids)) return ListedState::Changed;
  for (const std::string& id : ids) {
    if (id == listed.uid) return ListedState::Changed;
  }
  return ListedState::Gone;
}

void CPop3Client::DeleteListedMessage(const ListedMessage& listed) {
  bool confirmed = true;
  RunWithRetry([&] {
    confirmed = SessionNumber() == listed.session || CheckListed(listed) == ListedState::Listed;
    if (!confirmed) return;  // a definite answer: reconnecting again cannot change it
    ReplyLines lines;
    Dele(listed.number, lines);
  });
  if (!confirmed) {
    char message[160];
    snprintf(message, sizeof(message), "Message %d is no longer the one listed; not deleted", listed.number);
    throw CPop3Exception(CPop3Exception::ServerError, message, "");
  }
}
