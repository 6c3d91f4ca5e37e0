// MIME charset names, the way from a charset to UTF-8, and UTF-8 lengths.
#include "pop3/Charset.h"

#include <cstdlib>
#include <cstring>

#include "pop3/AnsiCodePage.h"
#include "pop3/Iso2022Jp.h"

namespace {

struct CharsetName {
  const char* name;  // lower case, without "-" and "_"
  unsigned codePage;
};

// Latin-1, Latin-5 and TIS-620 are read as the Windows code pages that extend
// them: mail labelled with them often carries the extension's punctuation
// (the 0x96 dash, curly quotes), which the ISO tables leave to control codes.
// The Chinese and Korean names get their Windows supersets for the same
// reason. US-ASCII defines no 8-bit byte at all; the ones it carries in
// practice come from UTF-8 text, and anything else falls back to the bytes.
const CharsetName kCharsets[] = {
    {"utf8", 65001},      {"usascii", 65001},      {"ascii", 65001},     {"utf7", 65000},
    {"iso88591", 1252},   {"latin1", 1252},        {"iso88592", 28592},  {"latin2", 28592},
    {"iso88593", 28593},  {"iso88594", 28594},     {"iso88595", 28595},  {"iso88596", 28596},
    {"iso88597", 28597},  {"iso88598", 28598},     {"iso88598i", 28598}, {"iso88599", 1254},
    {"latin5", 1254},     {"iso885910", 28600},    {"iso885911", 874},   {"iso885913", 28603},
    {"iso885914", 28604}, {"iso885915", 28605},    {"latin9", 28605},    {"iso885916", 28606},
    {"koi8r", 20866},     {"koi8u", 21866},        {"iso2022jp", 50220}, {"csiso2022jp", 50220},
    {"iso2022kr", 50225}, {"shiftjis", 932},       {"sjis", 932},        {"xsjis", 932},
    {"mskanji", 932},     {"windows31j", 932},     {"csshiftjis", 932},  {"eucjp", 20932},
    {"xeucjp", 20932},    {"euckr", 949},          {"ksc56011987", 949}, {"ksc5601", 949},
    {"uhc", 949},         {"gb2312", 936},         {"gbk", 936},         {"xgbk", 936},
    {"cngb", 936},        {"euccn", 936},          {"gb18030", 54936},   {"hzgb2312", 52936},
    {"big5", 950},        {"big5hkscs", 950},      {"cnbig5", 950},      {"tis620", 874},
    {"macintosh", 10000}, {"xmaccyrillic", 10007},
};

std::string NormalName(const std::string& name) {
  std::string normal;
  for (char c : name) {
    if (c == '*') break;  // an RFC 2231 language follows
    if (c == '-' || c == '_') continue;
    normal += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return normal;
}

// "windows-1251", "cp866", "ibm850": the name carries its code page.
unsigned NumberedCodePage(const std::string& normal) {
  for (const char* prefix : {"windows", "cp", "ibm"}) {
    size_t length = strlen(prefix);
    if (normal.compare(0, length, prefix) != 0) continue;
    std::string digits = normal.substr(length);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
      return 0;
    }
    unsigned long number = strtoul(digits.c_str(), nullptr, 10);
    return number <= 0xFFFF ? static_cast<unsigned>(number) : 0;
  }
  return 0;
}

// Length of the well-formed UTF-8 character at text[0] with available bytes:
// 0 when it is ill-formed, -1 when it is well-formed so far but cut short.
int Utf8CharLength(const unsigned char* text, size_t available) {
  unsigned char lead = text[0];
  if (lead < 0x80) return 1;
  int length = lead >= 0xC2 && lead <= 0xDF   ? 2
               : lead >= 0xE0 && lead <= 0xEF ? 3
               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                              : 0;
  if (length == 0) return 0;
  // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
  unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  for (int i = 1; i < length; ++i) {
    if (static_cast<size_t>(i) >= available) return -1;
    if (text[i] < (i == 1 ? low : 0x80) || text[i] > (i == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

}  // namespace

unsigned CharsetCodePage(const std::string& name) {
  std::string normal = NormalName(name);
  for (const CharsetName& charset : kCharsets) {
    if (normal == charset.name) return charset.codePage;
  }
  return NumberedCodePage(normal);
}

bool CharsetToUtf8(unsigned codePage, const std::string& text, std::string& utf8) {
  if (codePage == 0) return false;
  if (codePage == kCodePageUtf8) {
    bool cutShort = false;
    if (Utf8Prefix(text, cutShort) != text.size()) return false;
    utf8 = text;
    return true;
  }
  // Not every platform reads the escape sequences of ISO-2022-JP and its
  // variants itself (wine does not); the same characters in Shift_JIS go
  // through its table for code page 932.
  if (codePage >= kCodePageIso2022Jp && codePage <= kCodePageIso2022Jp + 2) {
    std::string shiftJis;
    return Iso2022JpToShiftJis(text, shiftJis) && ConvertToUtf8(kCodePageShiftJis, shiftJis, utf8);
  }
  return ConvertToUtf8(codePage, text, utf8);
}

size_t Utf8Prefix(const std::string& text, bool& cutShort) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t used = 0;
  cutShort = false;
  while (used < text.size()) {
    int length = Utf8CharLength(bytes + used, text.size() - used);
    if (length <= 0) {
      cutShort = length < 0;
      break;
    }
    used += length;
  }
  return used;
}

size_t Utf8FittingLength(const std::string& text, size_t units) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t used = 0;
  while (used < text.size()) {
    int length = Utf8CharLength(bytes + used, text.size() - used);
    if (length <= 0) break;
    size_t width = length == 4 ? 2 : 1;  // beyond U+FFFF: a surrogate pair
    if (width > units) break;
    units -= width;
    used += length;
  }
  return used;
}
