// Charset conversion of body texts and parameters to UTF-8.
#include "pop3/TextToUtf8.h"

#include "pop3/AnsiCodePage.h"
#include "pop3/Charset.h"

namespace {

bool IsUtf8(const std::string& text) {
  bool cutShort = false;
  return Utf8Prefix(text, cutShort) == text.size();
}

}  // namespace

std::string TextToUtf8(const std::string& charset, const std::string& bytes, bool mayBeCut) {
  std::string text = bytes;
  if (mayBeCut) {
    bool cutShort = false;
    size_t whole = Utf8Prefix(text, cutShort);
    if (cutShort) text.resize(whole);
  }
  std::string utf8;
  if (CharsetToUtf8(CharsetCodePage(charset), text, utf8)) return utf8;
  if (IsUtf8(text)) return text;
  return AnsiToUtf8(text);
}

void AppendUtf8(unsigned long codePoint, std::string& utf8) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) codePoint = 0xFFFD;
  if (codePoint < 0x80) {
    utf8 += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    utf8 += static_cast<char>(0xC0 | (codePoint >> 6));
    utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    utf8 += static_cast<char>(0xE0 | (codePoint >> 12));
    utf8 += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    utf8 += static_cast<char>(0xF0 | (codePoint >> 18));
    utf8 += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    utf8 += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}
