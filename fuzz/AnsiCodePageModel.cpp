// Stand-in for the platform's code pages in native fuzzing builds: an ANSI
// code page shaped like Shift_JIS, in which every non-ASCII character takes
// two bytes, and a few code pages to convert from. Each character becomes
// UTF-8 of one to four bytes, so results grow past their source and reach
// beyond U+FFFF, as they can on a real system.
#include <string>

#include "pop3/AnsiCodePage.h"

namespace {

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

void AppendModelCharacter(unsigned long codePoint, std::string& utf8) {
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

// A double-byte character of the model lies beyond U+FFFF when its trail
// byte is odd, and in the CJK block otherwise; a stray byte is Latin-1.
void AppendDoubleByte(const std::string& text, std::string& utf8) {
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(lead) && i + 1 < text.size()) {
      unsigned char trail = static_cast<unsigned char>(text[++i]);
      AppendModelCharacter(((trail & 1) ? 0x20000 : 0x4E00) + ((lead & 0x3F) << 8) + trail, utf8);
    } else {
      AppendModelCharacter(lead, utf8);
    }
  }
}

}  // namespace

size_t AnsiCharLength(const char* text) {
  return IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

// Knows UTF-8 (callers hand over only well-formed text), Shift_JIS (read as
// the model's ANSI code page) and the single-byte code pages below 30000,
// like a platform without the ISO-2022 and EUC tables.
bool ConvertToUtf8(unsigned codePage, const std::string& text, std::string& utf8) {
  utf8.clear();
  if (codePage == 65001) {
    utf8 = text;
  } else if (codePage == 932) {
    AppendDoubleByte(text, utf8);
  } else if (codePage != 0 && codePage < 30000) {
    for (char c : text) AppendModelCharacter(static_cast<unsigned char>(c) + (codePage == 1251 ? 0x350 : 0), utf8);
  } else {
    return false;
  }
  return true;
}

std::string AnsiToUtf8(const std::string& text) {
  std::string utf8;
  AppendDoubleByte(text, utf8);
  return utf8;
}
