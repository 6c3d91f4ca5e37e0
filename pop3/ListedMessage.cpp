// CPop3Client: the UIDL listing and the deletion that never hits a message
// other than the one listed.
#include "pop3/ListedMessage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pop3/Pop3Client.h"

namespace {

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
