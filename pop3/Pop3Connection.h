// CPop3Connection: POP3 commands as single lines and the framing of replies.
// Every failure is thrown as a CPop3Exception.
#pragma once

#include "pop3/Pop3Exception.h"
#include "pop3/ReplyBuffer.h"
#include "pop3/ReplyLines.h"
#include "pop3/TcpSocket.h"

#include <atomic>
#include <string>
#include <vector>

class CPop3Connection : public CTimedSocket {
 public:
  CPop3Connection(bool ssl, int sendTimeout, int receiveTimeout);

  // Connects to the server or, in proxy mode, to the proxy (sending the
  // server's name as the first line), then reads the greeting into lines.
  void OpenConnection(bool useProxy, const char* proxyHost, int proxyPort, const char* host, int port,
                      ReplyLines& lines);
  void User(const char* user, ReplyLines& lines);
  void Pass(const char* password, ReplyLines& lines);
  void Stat(ReplyLines& lines);
  void List(int number, ReplyLines& lines);
  void Top(int number, int lineCount, ReplyLines& lines);
  // TOP with ReadReplyKeeping; true when lines were dropped.
  bool TopKeeping(int number, int lineCount, size_t keep, ReplyLines& lines);
  void Dele(int number, ReplyLines& lines);
  // Closes the socket once the reply is in; it stays open when QUIT fails.
  void Quit(ReplyLines& lines);

  // Sends command plus CR LF. shownAs replaces the command in error texts
  // (so a password never reaches the log). Lines over 255 characters are
  // refused before anything is sent.
  void SendCommand(const char* command, const char* shownAs = nullptr);
  // Sends several command lines in one write (commands sent ahead of their
  // replies); failures name the first command.
  void SendCommands(const std::vector<std::string>& commands);
  // Appends the lines of one complete reply; the deadline is timeout seconds
  // from entry. A multi-line reply ends with CR LF "." CR LF. Bytes received
  // beyond the reply stay for the next call.
  void ReadReply(ReplyLines& lines, int timeout, bool multiLine);
  // ReadReply of a multi-line reply that keeps at most keep bytes of its
  // lines (CR LF counted; the final "." always). A reply that has more is
  // not read further: the connection is closed in its middle and the lines
  // kept end with "." all the same, so neither the time nor the memory a
  // server can make it spend goes past the cap. True when lines were dropped.
  bool ReadReplyKeeping(ReplyLines& lines, int timeout, size_t keep);
  int receiveTimeout() const { return m_nReceiveTimeout; }
  // A flag of the owner's, looked at before every receive and between the
  // waits for one (a step apart): once it is set, a reply read that has run
  // for a second ends with a Stopped exception, however much the server
  // still sends. A reply that comes at once is still read whole, so a stop
  // seldom costs the session; when it does, the session is in doubt and the
  // owner drops it. Null: never stopped.
  void SetStopFlag(const std::atomic<bool>* stop) { m_pStop = stop; }

 protected:
  int m_nReceiveTimeout;
  CReplyBuffer m_received;
  const std::atomic<bool>* m_pStop = nullptr;

 private:
  void SendLines(const std::string& lines, const char* shown);
  void ReceiveMore(DWORD span, DWORD start);
  // Throws what a ServerError or TooLong frame of the reply buffer means.
  [[noreturn]] void ThrowReplyFailure(CReplyBuffer::Frame frame);
  void Command(const char* command, ReplyLines& lines, bool multiLine = false);
};

// Reads up to two decimal numbers after the "+OK" of a status line, like
// sscanf "%d %d"; a number the line does not carry leaves its target as is.
void ParseStatusNumbers(const char* line, int& first, int& second);
