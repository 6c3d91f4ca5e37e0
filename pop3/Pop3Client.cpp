// CPop3Client: login, the mailbox operations and the retry rule.
#include "pop3/Pop3Client.h"

#include <cstdio>
#include <cstring>

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
