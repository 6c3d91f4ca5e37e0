// Header extraction and encoded-word decoding for the View Mail window.
#include "pop3/HeaderParse.h"

#include <cstring>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#endif

namespace {

// Length of the character at text: 2 for a lead byte of the ANSI code page's
// double-byte set followed by its trail byte, else 1.
size_t CharLength(const char* text) {
#ifdef _WIN32
  if (IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0') return 2;
#else
  (void)text;
#endif
  return 1;
}

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Header names are ASCII, so letters fold the ASCII way: a locale's own case
// rules (a Turkish dotless i) must not make "SUBJECT:" miss. A double-byte
// character is one unit, so its trail byte is never taken for a letter.
bool StartsWithNoCase(const std::string& line, const char* name) {
  size_t length = strlen(name);
  if (line.size() < length) return false;
  size_t i = 0;
  while (i < length) {
    size_t unit = CharLength(line.c_str() + i);
    if (unit == 2) {
      if (i + 2 > length || line[i] != name[i] || line[i + 1] != name[i + 1]) return false;
    } else if (FoldAscii(line[i]) != FoldAscii(name[i])) {
      return false;
    }
    i += unit;
  }
  return true;
}

// Bytes of value that fit in limit without cutting a double-byte character.
size_t FittingLength(const char* value, size_t limit) {
  size_t used = 0;
  while (value[used] != '\0') {
    size_t unit = CharLength(value + used);
    if (used + unit > limit) break;
    used += unit;
  }
  return used;
}

// The parts of one encoded word "=?charset?X?payload?=", as offsets into the text.
struct EncodedWord {
  size_t start;       // the "=?"
  char letter;        // 'B' or 'Q'
  size_t payload;     // first payload byte
  size_t payloadEnd;  // the closing "?="
};

bool LocateEncodedWord(const char* text, EncodedWord& word) {
  const char* open = strstr(text, "=?");
  if (!open) return false;
  const char* charsetEnd = strchr(open + 2, '?');
  if (!charsetEnd) return false;
  const char* encoding = charsetEnd + 1;
  char letter = FoldAscii(*encoding);
  if (letter != 'B' && letter != 'Q') return false;
  const char* encodingEnd = strchr(encoding, '?');
  if (!encodingEnd) return false;
  const char* close = strstr(encodingEnd + 1, "?=");
  if (!close) return false;
  word.start = open - text;
  word.letter = letter;
  word.payload = encodingEnd + 1 - text;
  word.payloadEnd = close - text;
  return true;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  if (c == '=') return 0;
  return -1;
}

// Writes the bytes of one group of four alphabet characters; a group cut
// short by the end of the payload counts as padded with "=".
int DecodeGroup(const char (&group)[4], int filled, char* output) {
  if (filled < 2) return 0;
  unsigned bits = 0;
  for (int i = 0; i < 4; ++i) bits = (bits << 6) | static_cast<unsigned>(Base64Value(group[i]));
  int count = 3;
  if (group[3] == '=') count = (group[2] == '=') ? 1 : 2;
  if (count > filled - 1) count = filled - 1;  // a short group never yields more than it carries
  for (int i = 0; i < count; ++i) output[i] = static_cast<char>((bits >> (16 - 8 * i)) & 0xFF);
  return count;
}

int HexValue(char c) {
  return (c >= '0' && c <= '9') ? c - '0' : c - 55;
}

}  // namespace

bool FindHeader(const ReplyLines& lines, const char* name, char (&field)[kHeaderFieldSize]) {
  memset(field, 0, sizeof(field));
  for (const std::string& line : lines) {
    if (!StartsWithNoCase(line, name)) continue;
    const char* value = line.c_str() + strlen(name);
    memcpy(field, value, FittingLength(value, sizeof(field) - 1));
    return true;
  }
  return false;
}

char* DecodeHeaderValue(char* text) {
  EncodedWord word;
  // Every decoded word is shorter than its encoded form, so this ends.
  while (LocateEncodedWord(text, word)) DecodeEncodedWord(text);
  for (char* p = text; *p; ++p) {
    if (static_cast<unsigned char>(*p) < 32) *p = ' ';
  }
  return text;
}

char* DecodeEncodedWord(char* text) {
  EncodedWord word;
  if (!LocateEncodedWord(text, word)) return text;
  std::string payload(text + word.payload, word.payloadEnd - word.payload);
  std::string rest(text + word.payloadEnd + 2);
  std::string decoded(payload.size() + 1, '\0');
  if (word.letter == 'B') {
    decoded.resize(Base64Decode(payload.c_str(), &decoded[0]));
  } else {
    QDecode(payload.c_str(), &decoded[0]);
  }
  // A decoded zero byte ends the word's text, as it would in the field.
  decoded.resize(strlen(decoded.c_str()));
  char* out = text + word.start;
  memcpy(out, decoded.data(), decoded.size());
  memcpy(out + decoded.size(), rest.c_str(), rest.size() + 1);
  return text;
}

int Base64Decode(const char* input, char* output) {
  char group[4];
  int filled = 0;
  int written = 0;
  for (const char* p = input; *p; ++p) {
    if (Base64Value(*p) < 0) continue;
    group[filled++] = *p;
    if (filled == 4) {
      written += DecodeGroup(group, 4, output + written);
      filled = 0;
    }
  }
  if (filled > 0) {
    for (int i = filled; i < 4; ++i) group[i] = '=';
    written += DecodeGroup(group, filled, output + written);
  }
  return written;
}

void QDecode(const char* input, char* output) {
  char* out = output;
  for (const char* p = input; *p; ++p) {
    // An "=" without two characters after it is copied as it stands.
    if (*p == '=' && p[1] != '\0' && p[2] != '\0') {
      unsigned char value = static_cast<unsigned char>(16 * HexValue(p[1]) + HexValue(p[2]));
      p += 2;
      if (value == 0x96) {
        *out++ = '-';  // Windows-1252 en dash, shown as a hyphen
      } else if (value != 0xC2) {
        *out++ = static_cast<char>(value);  // 0xC2 leads UTF-8 Latin-1 pairs; dropped
      }
    } else if (*p == '_') {
      *out++ = ' ';
    } else {
      *out++ = *p;
    }
  }
  *out = '\0';
}

char* StripQuotes(char* text) {
  char* out = text;
  for (const char* p = text; *p; ++p) {
    if (*p != '"') *out++ = *p;
  }
  *out = '\0';
  return text;
}
