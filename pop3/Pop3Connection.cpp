// CPop3Connection: sending commands and collecting and splitting replies.
#include "pop3/Pop3Connection.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/Format.h"
#include "pop3/SocketErrorText.h"

namespace {

// The longest command line, without its CR LF.
const size_t kMaxCommand = 255;
// Caps on a collected reply, so a server that streams without ever completing
// a reply cannot grow memory until the time-out. Status lines are short; a
// multi-line reply here is one header block.
const size_t kMaxOneLineReply = 64 * 1024;
const size_t kMaxMultiLineReply = 16 * 1024 * 1024;
const char kPassShown[] = "PASS ********";
// How long a reply read may still run after a stop request: long enough for
// any reply a server has at hand, so the session stays usable.
const DWORD kStopGraceMs = 1000;

std::string SocketError(int error) {
  return Format("Socket error %d", error);
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
  m_received.Clear();  // nothing of an earlier connection belongs to this one
  if (!Connect(target, useProxy ? proxyPort : port)) {
    if (!CertificateRefusal().empty()) {
      throw CPop3Exception(CPop3Exception::CertificateRefused, CertificateRefusal().c_str(),
                           "Server certificate not trusted");
    }
    // The reason a user can act on goes with the text every log line shows.
    const int error = WSAGetLastError();
    throw CPop3Exception(
        CPop3Exception::ConnectFailed,
        Format("Failed to connect to %s (%s)", target, SocketErrorText(error).c_str()).c_str(),
        SocketError(error).c_str());
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

bool CPop3Connection::TopKeeping(int number, int lineCount, size_t keep, ReplyLines& lines) {
  SendCommand(Format("TOP %d %d", number, lineCount).c_str());
  return ReadReplyKeeping(lines, m_nReceiveTimeout, keep);
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

namespace {

// Appends command and CR LF; a command over 255 characters is refused whole,
// since cutting it would send a different command.
void AppendCommand(std::string& lines, const std::string& command, const char* shown) {
  if (command.size() > kMaxCommand) {
    throw CPop3Exception(CPop3Exception::SendFailed, Format("Failed to send %s", shown).c_str(),
                         "Command line too long");
  }
  lines += command;
  lines += "\r\n";
}

}  // namespace

void CPop3Connection::SendCommand(const char* command, const char* shownAs) {
  const char* shown = shownAs ? shownAs : command;
  std::string line;
  AppendCommand(line, command, shown);
  SendLines(line, shown);
}

void CPop3Connection::SendCommands(const std::vector<std::string>& commands) {
  if (commands.empty()) return;
  std::string lines;
  for (const std::string& command : commands) AppendCommand(lines, command, command.c_str());
  SendLines(lines, commands[0].c_str());
}

void CPop3Connection::SendLines(const std::string& lines, const char* shown) {
  int result = SendWithTimeout(lines.data(), static_cast<int>(lines.size()), m_nSendTimeout);
  if (result == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    throw CPop3Exception(CPop3Exception::SendFailed,
                         Format("Failed to send %s (%s)", shown, SocketErrorText(error).c_str()).c_str(),
                         SocketError(error).c_str());
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
  // Bytes already held (sent ahead of a reply still to be read) are framed
  // before the socket is asked for more.
  for (;;) {
    const CReplyBuffer::Frame frame = m_received.Look(multiLine, cap);
    switch (frame) {
      case CReplyBuffer::Complete:
        m_received.TakeLines(lines);
        return;
      case CReplyBuffer::ServerError:
      case CReplyBuffer::TooLong:
        ThrowReplyFailure(frame);
      case CReplyBuffer::Incomplete:
        break;
    }
    ReceiveMore(span, start);
  }
}

// "-ERR" ends a read as soon as its fourth byte is in, line end or not; the
// message is the text of the receive that brought it. A reply past its cap
// is dropped.
void CPop3Connection::ThrowReplyFailure(CReplyBuffer::Frame frame) {
  if (frame == CReplyBuffer::ServerError)
    throw CPop3Exception(CPop3Exception::ServerError, m_received.TakeErrorText().c_str(), "");
  m_received.Clear();
  throw CPop3Exception(CPop3Exception::ReceiveFailed, "Failed to receive response", "Reply too long");
}

bool CPop3Connection::ReadReplyKeeping(ReplyLines& lines, int timeout, size_t keep) {
  const DWORD span = TimeoutSpan(timeout);
  const DWORD start = GetTickCount();
  size_t budget = keep;
  bool dropped = false;
  size_t taken = 0;  // bytes of the reply already let go; the cap counts them
  const size_t first = lines.size();
  for (;;) {
    const CReplyBuffer::Frame frame = m_received.Look(true, kMaxMultiLineReply - taken);
    switch (frame) {
      case CReplyBuffer::Complete: {
        ReplyLines rest;
        m_received.TakeLines(rest);
        bool statusKept = lines.size() > first;
        for (size_t i = 0; i + 1 < rest.size(); ++i) {
          if ((i == 0 && !statusKept) || (!dropped && rest[i].size() + 2 <= budget)) {
            budget -= std::min(rest[i].size() + 2, budget);
            lines.push_back(std::move(rest[i]));
          } else {
            dropped = true;
          }
        }
        lines.push_back(std::move(rest.back()));
        return dropped;
      }
      case CReplyBuffer::ServerError:
      case CReplyBuffer::TooLong:
        ThrowReplyFailure(frame);
      case CReplyBuffer::Incomplete:
        break;
    }
    taken += m_received.TakeEndedLines(lines, budget, dropped);
    if (dropped) {
      // What is kept is all the caller wants: the rest is not waited for,
      // and the connection, left in the middle of the reply, is closed.
      Close();
      m_received.Clear();
      lines.push_back(".");
      return true;
    }
    ReceiveMore(span, start);
  }
}

// One receive into the reply buffer, of whatever the socket holds; waits (in
// steps) only while it holds nothing.
void CPop3Connection::ReceiveMore(DWORD span, DWORD start) {
  for (;;) {
    // A server that streams without end never lets the socket run dry, so
    // the flag is looked at before every receive, not only while waiting.
    if (m_pStop && *m_pStop && GetTickCount() - start >= kStopGraceMs)
      throw CPop3Exception(CPop3Exception::Stopped, "Stopped", "");
    size_t room = 0;
    char* at = m_received.Room(room);
    int received = Receive(at, static_cast<int>(std::min<size_t>(room, INT_MAX)));
    if (received > 0) {
      m_received.Commit(static_cast<size_t>(received));
      return;
    }
    if (received == 0) {
      throw CPop3Exception(CPop3Exception::ReceiveFailed, "Failed to receive response",
                           "Socket closed by server");
    }
    int error = WSAGetLastError();
    DWORD elapsed = GetTickCount() - start;
    // WSAETIMEDOUT: a TLS handshake that used up the same time-out already.
    if (elapsed > span || error == WSAETIMEDOUT)
      throw CPop3Exception(CPop3Exception::ReceiveTimeout, "Receive timeout", "");
    if (error != WSAEWOULDBLOCK) {
      throw CPop3Exception(CPop3Exception::ReceiveFailed,
                           Format("Failed to receive response (%s)", SocketErrorText(error).c_str()).c_str(),
                           SocketError(error).c_str());
    }
    WaitReady(false, span - elapsed + 1);
  }
}
