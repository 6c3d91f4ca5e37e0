// CReplyBuffer: collecting received bytes and cutting replies and lines from them.
#include "pop3/ReplyBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

// Room kept for the next replies once a long one has been taken: two reads'
// worth, so that moving a partial reply to the front still leaves a read's room.
const size_t kKeptSize = 2 * CReplyBuffer::kReadSize;

// One past the first CR LF whose LF lies after from (a LF at a line's first
// byte ends no line: the byte before it is the last line's LF), or 0 when
// there is none before end.
size_t LineEndAfter(const char* data, size_t from, size_t end) {
  for (size_t i = from + 1; i < end;) {
    const char* lf = static_cast<const char*>(memchr(data + i, '\n', end - i));
    if (!lf) return 0;
    size_t at = static_cast<size_t>(lf - data);
    if (data[at - 1] == '\r') return at + 1;
    i = at + 1;
  }
  return 0;
}

}  // namespace

char* CReplyBuffer::Room(size_t& size) {
  if (m_data.size() - m_end < kReadSize) {
    Compact();
    if (m_data.size() - m_end < kReadSize) m_data.resize(std::max(m_data.size() * 2, m_end + kKeptSize));
  }
  size = m_data.size() - m_end;
  return m_data.data() + m_end;
}

void CReplyBuffer::Commit(size_t count) {
  m_lastRead = m_end;
  m_end += std::min(count, m_data.size() - m_end);
}

CReplyBuffer::Frame CReplyBuffer::Look(bool multiLine, size_t cap) {
  const char* data = m_data.data();
  const size_t held = Held();
  if (!m_bFrontTaken && held >= 4 && memcmp(data + m_begin, "-ERR", 4) == 0) return ServerError;
  if (m_bComplete) return Complete;
  if (m_bFrontTaken || (held >= 3 && memcmp(data + m_begin, "+OK", 3) == 0)) {
    if (multiLine != m_bScannedMultiLine) StartNextReply(m_begin);
    m_bScannedMultiLine = multiLine;
    // A terminator past the cap would make the reply longer than allowed.
    const size_t limit = held > cap ? m_begin + cap : m_end;
    while (m_scanned < limit) {
      const char* lf = static_cast<const char*>(memchr(data + m_scanned, '\n', limit - m_scanned));
      if (!lf) {
        m_scanned = limit;
        break;
      }
      const size_t at = static_cast<size_t>(lf - data);
      m_scanned = at + 1;
      if (at == m_begin || data[at - 1] != '\r') continue;  // a bare LF ends no line
      const size_t lineStart = m_lineStart;
      m_lineStart = at + 1;
      if (multiLine && !m_bInBody) {
        m_bInBody = true;  // the status line
        continue;
      }
      if (!multiLine || (at - 1 - lineStart == 1 && data[lineStart] == '.')) {
        m_replyEnd = at + 1;
        m_bComplete = true;
        return Complete;
      }
    }
  }
  return held > cap ? TooLong : Incomplete;
}

void CReplyBuffer::TakeLines(ReplyLines& lines) {
  const char* data = m_data.data();
  size_t start = m_begin;
  for (size_t end; (end = LineEndAfter(data, start, m_replyEnd)) != 0; start = end) {
    lines.emplace_back(data + start, end - 2 - start);
  }
  StartNextReply(m_replyEnd);
}

size_t CReplyBuffer::TakeEndedLines(ReplyLines& lines, size_t& budget, bool& dropped) {
  if (!m_bInBody || m_bComplete) return 0;
  const char* data = m_data.data();
  size_t start = m_begin;
  for (size_t end; (end = LineEndAfter(data, start, m_lineStart)) != 0; start = end) {
    size_t length = end - start;
    bool status = !m_bFrontTaken && start == m_begin;  // kept whatever the budget
    if (status || (!dropped && length <= budget)) {
      lines.emplace_back(data + start, length - 2);
      budget -= std::min(length, budget);
    } else {
      dropped = true;
    }
  }
  size_t taken = m_lineStart - m_begin;
  m_begin = m_lineStart;
  m_bFrontTaken = m_bFrontTaken || taken > 0;
  return taken;
}

std::string CReplyBuffer::TakeErrorText() {
  const char* data = m_data.data();
  // The receive that brought the marker's fourth byte, or the reply's start
  // when the reply began inside it or the marker was held from before.
  size_t from = m_lastRead > m_begin && m_lastRead <= m_begin + 3 ? m_lastRead : m_begin;
  std::string text(data + from, m_end - from);
  text.resize(strlen(text.c_str()));
  size_t lineEnd = LineEndAfter(data, m_begin, m_end);
  StartNextReply(lineEnd ? lineEnd : m_end);
  return text;
}

void CReplyBuffer::Clear() {
  m_end = 0;
  StartNextReply(0);
}

void CReplyBuffer::StartNextReply(size_t at) {
  m_begin = at;
  m_scanned = at;
  m_lineStart = at;
  m_bInBody = false;
  m_bComplete = false;
  m_bFrontTaken = false;
  m_replyEnd = at;
  if (m_begin != m_end) return;
  m_begin = m_end = m_lastRead = m_scanned = m_lineStart = m_replyEnd = 0;
  // A long reply's room goes once it has been taken: clients stay open for
  // the life of the View Mail window.
  if (m_data.size() > kKeptSize) std::vector<char>(kKeptSize).swap(m_data);
}

// Moves the reply begun so far to the front, making room behind it.
void CReplyBuffer::Compact() {
  if (m_begin == 0) return;
  memmove(m_data.data(), m_data.data() + m_begin, Held());
  m_lastRead = m_lastRead > m_begin ? m_lastRead - m_begin : 0;
  m_end -= m_begin;
  m_scanned -= m_begin;
  m_lineStart -= m_begin;
  m_replyEnd -= m_begin;
  m_begin = 0;
}
