// CPop3Connection: sending commands and collecting and splitting replies.
#include "pop3/Pop3Connection.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/Format.h"

namespace {

// The longest command line, without its CR LF.
const size_t kMaxCommand = 255;
// Caps on a collected reply, so a server that streams without ever completing
// a reply cannot grow memory until the time-out. Status lines are short; a
// multi-line reply here is one header block.
const size_t kMaxOneLineReply = 64 * 1024;
const size_t kMaxMultiLineReply = 16 * 1024 * 1024;
const char kPassShown[] = "PASS ********";

std::string SocketError(int error) {
  return Format("Socket error %d", error);
}

bool EndsWith(const std::string& text, const char* tail) {
  size_t n = strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

bool IsComplete(const std::string& reply, bool multiLine) {
  if (reply.size() < 3 || reply.compare(0, 3, "+OK") != 0 || !EndsWith(reply, "\r\n")) return false;
  return !multiLine || (reply.size() >= 6 && EndsWith(reply, "\r\n.\r\n"));
}

// Cuts at every CR LF; the status line comes first, a multi-line reply's "."
// last. Dot-stuffed lines keep their dot.
void SplitLines(const std::string& reply, ReplyLines& lines) {
  size_t start = 0;
  for (size_t i = 1; i < reply.size(); ++i) {
    if (reply[i] == '\n' && reply[i - 1] == '\r') {
      lines.push_back(reply.substr(start, i - 1 - start));
      start = i + 1;
    }
  }
}

// A number beyond the int range saturates at the end of its own sign (strtol
// gives that end of long, which is then cut to int).
bool ParseNumber(const char*& text, int& out) {
  char* end = nullptr;
  long value = strtol(text, &end, 10);
  if (end == text) return false;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  out = static_cast<int>(value);
  text = end;
  return true;
}

}  // namespace

void ParseStatusNumbers(const char* line, int& first, int& second) {
  if (strlen(line) < 3) return;
  const char* text = line + 3;
  if (ParseNumber(text, first)) ParseNumber(text, second);
}

CPop3Connection::CPop3Connection(bool ssl, int sendTimeout, int receiveTimeout)
    : CTimedSocket(ssl, sendTimeout), m_nReceiveTimeout(receiveTimeout) {
  SetChannelTimeouts(receiveTimeout, sendTimeout);
}

void CPop3Connection::OpenConnection(bool useProxy, const char* proxyHost, int proxyPort, const char* host,
                                     int port, ReplyLines& lines) {
  const char* target = useProxy ? proxyHost : host;
  if (!Connect(target, useProxy ? proxyPort : port)) {
    if (!CertificateRefusal().empty()) {
      throw CPop3Exception(CPop3Exception::CertificateRefused, CertificateRefusal().c_str(),
                           "Server certificate not trusted");
    }
    throw CPop3Exception(CPop3Exception::ConnectFailed, Format("Failed to connect to %s", target).c_str(),
                         SocketError(WSAGetLastError()).c_str());
  }
  // The proxy learns the server from the first line; its answer is the greeting.
  if (useProxy) SendCommand(host);
  ReadReply(lines, m_nReceiveTimeout, false);
}

void CPop3Connection::User(const char* user, ReplyLines& lines) {
  Command(Format("USER %s", user).c_str(), lines);
}

void CPop3Connection::Pass(const char* password, ReplyLines& lines) {
  SendCommand(Format("PASS %s", password).c_str(), kPassShown);
  ReadReply(lines, m_nReceiveTimeout, false);
}

void CPop3Connection::Stat(ReplyLines& lines) {
  Command("STAT", lines);
}

void CPop3Connection::List(int number, ReplyLines& lines) {
  Command(Format("LIST %d", number).c_str(), lines);
}

void CPop3Connection::Top(int number, int lineCount, ReplyLines& lines) {
  Command(Format("TOP %d %d", number, lineCount).c_str(), lines, true);
}

void CPop3Connection::Dele(int number, ReplyLines& lines) {
  Command(Format("DELE %d", number).c_str(), lines);
}

void CPop3Connection::Quit(ReplyLines& lines) {
  Command("QUIT", lines);
  Close();
}

void CPop3Connection::Command(const char* command, ReplyLines& lines, bool multiLine) {
  SendCommand(command);
  ReadReply(lines, m_nReceiveTimeout, multiLine);
}

void CPop3Connection::SendCommand(const char* command, const char* shownAs) {
  const char* shown = shownAs ? shownAs : command;
  size_t length = strlen(command);
  if (length > kMaxCommand) {
    // Cutting the line would send a different command; refuse it whole.
    throw CPop3Exception(CPop3Exception::SendFailed, Format("Failed to send %s", shown).c_str(),
                         "Command line too long");
  }
  std::string line(command, length);
  line += "\r\n";
  int result = SendWithTimeout(line.data(), static_cast<int>(line.size()), m_nSendTimeout);
  if (result == SOCKET_ERROR) {
    throw CPop3Exception(CPop3Exception::SendFailed, Format("Failed to send %s", shown).c_str(),
                         SocketError(WSAGetLastError()).c_str());
  }
  if (result == 0) {
    throw CPop3Exception(CPop3Exception::SendFailed,
                         Format("Failed to send %s - disconnected or timed-out", shown).c_str(), "");
  }
}

void CPop3Connection::ReadReply(ReplyLines& lines, int timeout, bool multiLine) {
  const DWORD span = TimeoutSpan(timeout);
  const DWORD start = GetTickCount();
  const size_t cap = multiLine ? kMaxMultiLineReply : kMaxOneLineReply;
  std::string reply;
  char chunk[256];
  for (;;) {
    int received = Receive(chunk, sizeof(chunk) - 1);
    if (received == 0) {
      throw CPop3Exception(CPop3Exception::ReceiveFailed, "Failed to receive response",
                           "Socket closed by server");
    }
    if (received < 0) {
      int error = WSAGetLastError();
      DWORD elapsed = GetTickCount() - start;
      // WSAETIMEDOUT: a TLS handshake that used up the same time-out already.
      if (elapsed > span || error == WSAETIMEDOUT)
        throw CPop3Exception(CPop3Exception::ReceiveTimeout, "Receive timeout", "");
      if (error != WSAEWOULDBLOCK) {
        throw CPop3Exception(CPop3Exception::ReceiveFailed, "Failed to receive response",
                             SocketError(error).c_str());
      }
      WaitReady(false, span - elapsed + 1);
      continue;
    }
    chunk[received] = '\0';
    reply.append(chunk, received);
    // "-ERR" ends the read as soon as its fourth byte is in, line end or not;
    // the message is this chunk's text as received.
    if (reply.size() >= 4 && reply.compare(0, 4, "-ERR") == 0) {
      throw CPop3Exception(CPop3Exception::ServerError, chunk, "");
    }
    if (IsComplete(reply, multiLine)) break;
    if (reply.size() > cap) {
      throw CPop3Exception(CPop3Exception::ReceiveFailed, "Failed to receive response", "Reply too long");
    }
  }
  SplitLines(reply, lines);
}
