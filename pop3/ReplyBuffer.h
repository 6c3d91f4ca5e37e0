// CReplyBuffer: bytes received from a POP3 server and not yet taken, and the
// framing of the reply at their front. Knows nothing of sockets.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pop3/ReplyLines.h"

class CReplyBuffer {
 public:
  // The least room offered to one receive: a whole TLS record, or many
  // replies, per call rather than a socket call per few hundred bytes.
  static constexpr size_t kReadSize = 16 * 1024;

  enum Frame {
    Incomplete,   // more bytes are needed
    Complete,     // TakeLines takes the reply
    ServerError,  // it begins with "-ERR": TakeErrorText takes it
    TooLong,      // more than the cap without completing
  };

  // Where the next receive writes, with at least kReadSize bytes of room.
  char* Room(size_t& size);
  // The receive wrote count bytes at Room.
  void Commit(size_t count);

  // Looks at the reply at the front: a one-line reply ends at its first
  // CR LF, a multi-line one at the first "." line after its status line;
  // either must begin with "+OK". Bytes after the reply stay for the next.
  // Scanning resumes where the last call stopped.
  Frame Look(bool multiLine, size_t cap);
  // Appends the complete reply's lines without their CR LF and drops it.
  void TakeLines(ReplyLines& lines);
  // The text of the receive that brought the fourth byte of "-ERR", from the
  // reply's start (as a C string: it ends at a zero byte). Drops the error
  // line up to its CR LF, or all that is held when its end is not in yet.
  std::string TakeErrorText();
  // Of a multi-line reply still coming in, once its status line is in: drops
  // the lines that have ended, appending them to lines while they fit in
  // budget (bytes, CR LF counted; lowered by what they take; the status line
  // always goes) and setting dropped from the first that does not on. The framing goes on behind
  // them, so a long reply need not be held whole. Returns the bytes dropped.
  size_t TakeEndedLines(ReplyLines& lines, size_t& budget, bool& dropped);
  // Forgets everything held (a new connection, or a reply given up).
  void Clear();

  size_t Held() const { return m_end - m_begin; }

 private:
  void StartNextReply(size_t at);
  void Compact();

  std::vector<char> m_data;
  size_t m_begin = 0;                // the reply's first byte
  size_t m_end = 0;                  // one past the last byte held
  size_t m_lastRead = 0;             // where the latest receive's bytes begin
  size_t m_scanned = 0;              // bytes from m_begin on already looked at for line ends
  size_t m_lineStart = 0;            // the line being scanned
  bool m_bInBody = false;            // the status line of a multi-line reply has ended
  bool m_bScannedMultiLine = false;  // what the scan so far looked for
  bool m_bComplete = false;
  bool m_bFrontTaken = false;  // TakeEndedLines took the reply's first lines, its marker included
  size_t m_replyEnd = 0;       // one past the complete reply's last CR LF
};
