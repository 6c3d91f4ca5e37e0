// Message lines from a TOP reply.
#include "pop3/TopReply.h"

namespace {

bool IsTerminated(const ReplyLines& reply) {
  return reply.size() >= 2 && reply.back() == ".";
}

}  // namespace

std::vector<std::string> MessageLinesOfTop(const ReplyLines& reply, int bodyLines, long long messageSize,
                                           bool& mayGoOn) {
  std::vector<std::string> lines;
  long long bytes = 0;  // as the message has them, CR LF included
  bool terminated = IsTerminated(reply);
  size_t end = terminated ? reply.size() - 1 : reply.size();
  int body = -1;  // counts from the empty line that ends the header block
  for (size_t i = 1; i < end; ++i) {
    const std::string& line = reply[i];
    lines.push_back(!line.empty() && line[0] == '.' ? line.substr(1) : line);
    bytes += static_cast<long long>(lines.back().size()) + 2;
    if (body >= 0) {
      ++body;
    } else if (line.empty()) {
      body = 0;
    }
  }
  bool whole = messageSize > 0 && bytes >= messageSize;
  mayGoOn = !terminated || (body >= bodyLines && !whole);
  return lines;
}

bool HasListedHeader(const ReplyLines& listed, const ReplyLines& reply) {
  // Both without their status lines; the listed block ends before its ".".
  size_t listedEnd = IsTerminated(listed) ? listed.size() - 1 : listed.size();
  size_t replyEnd = IsTerminated(reply) ? reply.size() - 1 : reply.size();
  for (size_t i = 1; i < listedEnd; ++i) {
    if (i >= replyEnd) return !IsTerminated(reply);  // cut short: equal as far as it goes
    if (listed[i] != reply[i]) return false;
    if (listed[i].empty()) return true;  // the end of the header block
  }
  return true;
}
