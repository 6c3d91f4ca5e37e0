// The MIME walk (RFC 2045, 2046) from a message's lines to its text.
#include "pop3/MessageText.h"

#include <cstdio>

#include "pop3/HtmlText.h"
#include "pop3/MimeHeader.h"
#include "pop3/TextToUtf8.h"
#include "pop3/TransferEncoding.h"

namespace {

// Real mail nests three or four levels deep; a hostile message nesting
// thousands must not exhaust the stack. A deeper multipart is listed as an
// attachment of its type.
constexpr int kMaxDepth = 32;

using Lines = std::vector<std::string>;

// One part that is not a multipart: its header and its body's lines.
struct Leaf {
  MimeHeader header;
  size_t begin;
  size_t end;
  bool cut;  // its body goes on past the lines fetched
};

bool IsBodyText(const MimeHeader& header) {
  return header.type == "text" && (header.subtype == "plain" || header.subtype == "html") &&
         !header.attachment && header.name.empty();
}

// A "--boundary" line, or with close set the "--boundary--" line; white space
// after it is transport padding.
bool IsDelimiter(const std::string& line, const std::string& delimiter, bool& close) {
  if (line.compare(0, delimiter.size(), delimiter) != 0) return false;
  size_t at = delimiter.size();
  close = line.compare(at, 2, "--") == 0;
  if (close) at += 2;
  return line.find_first_not_of(" \t", at) == std::string::npos;
}

class MimeWalker {
 public:
  explicit MimeWalker(const Lines& lines) : lines_(lines) {}

  const std::vector<Leaf>& Walk(bool mayGoOn) {
    Entity(0, lines_.size(), mayGoOn, 0, "text/plain");
    return leaves_;
  }

 private:
  void Entity(size_t begin, size_t end, bool cut, int depth, const char* defaultType) {
    size_t headerEnd = begin;
    while (headerEnd < end && !lines_[headerEnd].empty()) ++headerEnd;
    MimeHeader header = ParseMimeHeader(lines_, begin, headerEnd, defaultType);
    size_t bodyBegin = headerEnd < end ? headerEnd + 1 : end;
    if (header.type == "multipart" && depth < kMaxDepth) {
      if (Parts(header, bodyBegin, end, cut, depth)) return;
      // No boundary, or none in the body: the sender got the structure
      // wrong, and the body is shown as the text it most likely is.
      header.type = "text";
      header.subtype = "plain";
    }
    leaves_.push_back(Leaf{header, bodyBegin, end, cut});
  }

  // The body parts between the delimiter lines; the preamble and the epilogue
  // are not part of any. False when the body holds no delimiter.
  bool Parts(const MimeHeader& header, size_t begin, size_t end, bool cut, int depth) {
    std::string boundary = header.Param("boundary");
    if (boundary.empty()) return false;
    std::string delimiter = "--" + boundary;
    const char* childType = header.subtype == "digest" ? "message/rfc822" : "text/plain";
    size_t partBegin = end;  // none open yet
    for (size_t i = begin; i < end; ++i) {
      bool close = false;
      if (!IsDelimiter(lines_[i], delimiter, close)) continue;
      if (partBegin < end) Entity(partBegin, i, false, depth + 1, childType);
      if (close) return true;
      partBegin = i + 1;
    }
    if (partBegin == end) return false;
    // No closing delimiter: the last part runs to the end of what arrived.
    Entity(partBegin, end, cut, depth + 1, childType);
    return true;
  }

  const Lines& lines_;
  std::vector<Leaf> leaves_;
};

std::string Bytes(const Lines& lines, const Leaf& leaf) {
  return DecodeTransferEncoding(leaf.header.encoding, lines, leaf.begin, leaf.end);
}

// Plain text as the pane shows it: "\n" line ends, no control codes, no
// empty lines at the start or the end.
std::string CleanText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      c = '\n';
    }
    if ((static_cast<unsigned char>(c) < ' ' && c != '\n' && c != '\t') || c == 0x7F) continue;
    out += c;
  }
  size_t first = out.find_first_not_of(" \t\n");
  if (first == std::string::npos) return std::string();
  size_t lineStart = out.rfind('\n', first);
  out.erase(0, lineStart == std::string::npos ? 0 : lineStart + 1);
  size_t last = out.find_last_not_of(" \t\n");
  out.erase(last + 1);
  return out;
}

std::string LeafText(const Lines& lines, const Leaf& leaf) {
  std::string bytes = Bytes(lines, leaf);
  std::string charset = leaf.header.Param("charset");
  bool html = leaf.header.subtype == "html";
  if (html && charset.empty()) charset = HtmlDeclaredCharset(bytes);
  std::string utf8 = TextToUtf8(charset, bytes, leaf.cut);
  return CleanText(html ? HtmlToText(utf8) : utf8);
}

std::string SizeText(const MailAttachment& attachment) {
  char text[64];
  const char* atLeast = attachment.complete ? "" : "at least ";
  if (attachment.size < 1000) {
    snprintf(text, sizeof(text), "%s%zu byte%s", atLeast, attachment.size, attachment.size == 1 ? "" : "s");
  } else {
    snprintf(text, sizeof(text), "%s%zu KB", atLeast, (attachment.size + 999) / 1000);
  }
  return text;
}

}  // namespace

MessageText ReadMessageText(const std::vector<std::string>& lines, bool mayGoOn) {
  MimeWalker walker(lines);
  const std::vector<Leaf>& leaves = walker.Walk(mayGoOn);
  MessageText message;
  const Leaf* plain = nullptr;
  const Leaf* html = nullptr;
  for (const Leaf& leaf : leaves) {
    if (IsBodyText(leaf.header)) {
      const Leaf*& first = leaf.header.subtype == "plain" ? plain : html;
      if (!first) first = &leaf;
    } else if (message.attachments.size() < kMaxListedAttachments) {
      message.attachments.push_back(MailAttachment{leaf.header.name,
                                                   leaf.header.type + "/" + leaf.header.subtype,
                                                   Bytes(lines, leaf).size(), !leaf.cut});
    } else {
      ++message.unlistedAttachments;
    }
  }
  // Some writers send an empty plain alternative beside the real HTML text.
  if (plain) message.text = LeafText(lines, *plain);
  const Leaf* shown = plain;
  if (message.text.empty() && html) {
    message.text = LeafText(lines, *html);
    shown = html;
  }
  // With no text to show, more lines might still have brought some.
  message.cut = message.text.empty() ? mayGoOn : shown->cut;
  return message;
}

std::string FormatMessageText(const MessageText& message) {
  std::string out = message.text.empty() ? "(no readable text)" : message.text;
  if (message.cut) out += "\n\xE2\x80\xA6";  // U+2026, the ellipsis
  if (!message.attachments.empty() || message.unlistedAttachments > 0) {
    out += "\n\nAttachments:";
    for (const MailAttachment& attachment : message.attachments) {
      out += "\n    ";
      if (!attachment.name.empty()) out += attachment.name + " ";
      out += "(" + attachment.type + ", " + SizeText(attachment) + ")";
    }
    if (message.unlistedAttachments > 0) {
      out += "\n    and " + std::to_string(message.unlistedAttachments) + " more";
    }
  }
  std::string crlf;
  for (char c : out) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf + "\r\n";
}
