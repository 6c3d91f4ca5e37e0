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

// As UTF-8.
void AppendModelCharacter(unsigned long codePoint, std::string& utf8) {
  if (codePoint < 0x80) {
    utf8 += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    utf8 += static_cast<char>(0xC0 | (codePoint >> 6));
    utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    utf8 += static_cast<char>(0xE0 | (codePoint >> 12));
    utf8 += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
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

// UTF-8 stays as it is (the callers check it first), Shift_JIS takes the
// model's double-byte reading, the single-byte code pages their Latin-1 one.
bool ConvertToUtf8(unsigned codePage, const std::string& text, std::string& utf8) {
  utf8.clear();
  if (codePage == 65001) {
    utf8 = text;
  } else if (codePage == 932) {
    utf8 = AnsiToUtf8(text);
  } else if (codePage != 0 && codePage < 30000) {
    for (char c : text) AppendModelCharacter(static_cast<unsigned char>(c), utf8);
  } else {
    return false;
  }
  return true;
}

std::string AnsiToUtf8(const std::string& text) {
  std::string utf8;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      AppendModelCharacter(0x4E00 + ((c & 0x3F) << 8) + static_cast<unsigned char>(text[++i]), utf8);
    } else {
      AppendModelCharacter(c, utf8);
    }
  }
  return utf8;
}
