// Stand-in for the platform's ANSI code page in native fuzzing builds: a
// double-byte code page shaped like Shift_JIS, in which every non-ASCII
// character takes two bytes. So conversions make text longer than its source
// and cuts at the field's end can fall inside a character, as they can on a
// Japanese or Chinese system.
#include <string>

#include "pop3/AnsiCodePage.h"

namespace {

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

void AppendCharacter(unsigned long codePoint, std::string& ansi) {
  if (codePoint < 0x80) {
    ansi += static_cast<char>(codePoint);
  } else if (codePoint > 0xFFFF) {
    ansi += '?';
  } else {
    ansi += static_cast<char>(0x81 + codePoint % 0x1F);
    ansi += static_cast<char>(0x40 + codePoint % 0x3F);
  }
}

// Callers hand over only well-formed UTF-8; a stray byte counts as itself.
void AppendUtf8(const std::string& text, std::string& ansi) {
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + length > text.size()) length = 1;
    unsigned long codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) codePoint = (codePoint << 6) | (text[i + k] & 0x3F);
    AppendCharacter(codePoint, ansi);
    i += length;
  }
}

}  // namespace

size_t AnsiCharLength(const char* text) {
  return IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

// Knows UTF-8, Shift_JIS (kept as it is) and the single-byte code pages
// below 30000, like a platform without the ISO-2022 and EUC tables.
bool ConvertToAnsi(unsigned codePage, const std::string& text, std::string& ansi) {
  ansi.clear();
  if (codePage == 65001) {
    AppendUtf8(text, ansi);
  } else if (codePage == 932) {
    ansi = text;
  } else if (codePage != 0 && codePage < 30000) {
    for (char c : text) AppendCharacter(static_cast<unsigned char>(c), ansi);
  } else {
    return false;
  }
  return true;
}
