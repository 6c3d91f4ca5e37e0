// The readable text of a message and the list of its attachments, read from
// its first lines as a TOP command brings them: the MIME walk that the
// information window's text pane shows. Pure text logic.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct MailAttachment {
  std::string name;  // UTF-8; empty when the sender gave none
  std::string type;  // "image/png"
  size_t size;       // decoded bytes that arrived
  bool complete;     // false when the part goes on past the lines fetched
};

struct MessageText {
  std::string text;  // UTF-8, "\n" line ends; empty when the message has no readable text
  bool cut = false;  // the text's part, or the message before any text, goes on past the lines fetched
  std::vector<MailAttachment> attachments;  // in the message's order, at most kMaxListedAttachments
  size_t unlistedAttachments = 0;           // attachments past that limit
};

// More would not help a user decide anything; the limit bounds the pane's
// text whatever a message is made of.
constexpr size_t kMaxListedAttachments = 100;

// Walks the message in lines (header block, empty line, body; without line
// ends, dot-stuffing undone) through its multipart entities to the first
// text/plain part, else the first text/html part as plain text. A part with
// a name or an "attachment" disposition, and any other type, is an
// attachment. mayGoOn: the message may have lines past the last one given.
MessageText ReadMessageText(const std::vector<std::string>& lines, bool mayGoOn);

// The pane's text (UTF-8, CR LF line ends): the text or "(no readable text)",
// an ellipsis where it was cut, then the attachments by name, type and size.
std::string FormatMessageText(const MessageText& message);
