// libFuzzer target: arbitrary message lines through the MIME walk and the
// pane's text, and arbitrary bytes through the HTML step alone. Checks that
// what comes out is well-formed UTF-8 without control codes and stays within
// a fixed multiple of what came in. Built with the double-byte model of the
// ANSI code page in AnsiCodePageModel.cpp.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "pop3/Charset.h"
#include "pop3/HtmlText.h"
#include "pop3/MessageText.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckText(const std::string& text, size_t inputSize, bool crlf) {
  bool cutShort = false;
  Check(Utf8Prefix(text, cutShort) == text.size());
  Check(text.size() <= 8 * inputSize + 4096);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
      Check(crlf && i + 1 < text.size() && text[i + 1] == '\n');
    } else if (c == '\n') {
      Check(!crlf || (i > 0 && text[i - 1] == '\r'));
    } else {
      Check(c >= ' ' || c == '\t');
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.emplace_back();
    } else if (data[i] != '\r') {
      lines.back() += static_cast<char>(data[i]);
    }
  }
  MessageText message = ReadMessageText(lines, size > 0 && (data[0] & 1));
  CheckText(message.text, size, false);
  Check(message.attachments.size() <= kMaxListedAttachments);
  for (const MailAttachment& attachment : message.attachments) CheckText(attachment.name, size, false);
  CheckText(FormatMessageText(message), size, true);

  std::string html(reinterpret_cast<const char*>(data), size);
  std::string text = HtmlToText(html);
  CheckText(text, size, false);
  Check(text.size() <= 2 * size);
  HtmlDeclaredCharset(html);
  return 0;
}
