// Header extraction and encoded-word decoding for the View Mail window.
#include "pop3/HeaderParse.h"

#include <cstring>
#include <string>

#include "pop3/AnsiCodePage.h"
#include "pop3/Charset.h"

namespace {

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
    size_t unit = AnsiCharLength(line.c_str() + i);
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
    size_t unit = AnsiCharLength(value + used);
    if (used + unit > limit) break;
    used += unit;
  }
  return used;
}

// One encoded word "=?charset?X?payload?=": its charset, its letter and the
// offsets of its parts in the text.
struct EncodedWord {
  size_t start;  // the "=?"
  std::string charset;
  char letter;        // 'B' or 'Q'
  size_t payload;     // first payload byte
  size_t payloadEnd;  // the closing "?="
  size_t end;         // just past the "?="
};

// Finds the first "=?" at or after from; false when there is none or it does
// not begin a complete encoded word.
bool LocateEncodedWord(const std::string& text, size_t from, EncodedWord& word) {
  size_t open = text.find("=?", from);
  if (open == std::string::npos) return false;
  size_t charsetEnd = text.find('?', open + 2);
  if (charsetEnd == std::string::npos || charsetEnd + 1 >= text.size()) return false;
  char letter = FoldAscii(text[charsetEnd + 1]);
  if (letter != 'B' && letter != 'Q') return false;
  size_t encodingEnd = text.find('?', charsetEnd + 1);
  if (encodingEnd == std::string::npos) return false;
  size_t close = text.find("?=", encodingEnd + 1);
  if (close == std::string::npos) return false;
  word.start = open;
  word.charset = text.substr(open + 2, charsetEnd - open - 2);
  word.letter = letter;
  word.payload = encodingEnd + 1;
  word.payloadEnd = close;
  word.end = close + 2;
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

// keepEveryByte off: the en dash 0x96 becomes a hyphen and 0xC2 is dropped,
// which shows the commonest UTF-8 and Windows-1252 punctuation passably when
// the charset is not known. A known charset converts them properly instead.
void QDecodeBytes(const char* input, char* output, bool keepEveryByte) {
  char* out = output;
  for (const char* p = input; *p; ++p) {
    // An "=" without two characters after it is copied as it stands.
    if (*p == '=' && p[1] != '\0' && p[2] != '\0') {
      unsigned char value = static_cast<unsigned char>(16 * HexValue(p[1]) + HexValue(p[2]));
      p += 2;
      if (keepEveryByte || (value != 0x96 && value != 0xC2)) {
        *out++ = static_cast<char>(value);
      } else if (value == 0x96) {
        *out++ = '-';
      }
    } else if (*p == '_') {
      *out++ = ' ';
    } else {
      *out++ = *p;
    }
  }
  *out = '\0';
}

// The bytes an encoded word carries. A decoded zero byte ends the word's
// text, as it would in the field.
std::string WordBytes(const std::string& text, const EncodedWord& word, bool keepEveryByte) {
  std::string payload(text, word.payload, word.payloadEnd - word.payload);
  std::string decoded(payload.size() + 1, '\0');
  if (word.letter == 'B') {
    decoded.resize(Base64Decode(payload.c_str(), &decoded[0]));
  } else {
    QDecodeBytes(payload.c_str(), &decoded[0], keepEveryByte);
  }
  decoded.resize(strlen(decoded.c_str()));
  return decoded;
}

// Encoded words next to each other in one charset, converted as one text: a
// sender that splits a character between two words still shows it whole.
class WordRun {
 public:
  bool IsEmpty() const { return empty_; }
  bool Continues(unsigned codePage) const { return !empty_ && codePage == codePage_; }

  void Add(unsigned codePage, const std::string& text, const EncodedWord& word) {
    codePage_ = codePage;
    bytes_ += WordBytes(text, word, true);
    asBytes_ += WordBytes(text, word, false);
    empty_ = false;
  }

  // Appends the run in the ANSI code page; words that a charset cannot read
  // keep their bytes. Leaves the run empty.
  void MoveTo(std::string& out) {
    std::string ansi;
    out += CharsetToAnsi(codePage_, bytes_, ansi) ? ansi : asBytes_;
    *this = WordRun();
  }

 private:
  bool empty_ = true;
  unsigned codePage_ = 0;
  std::string bytes_;
  std::string asBytes_;  // with the byte decoding's tricks
};

bool IsLinearWhiteSpace(const std::string& text, size_t begin, size_t end) {
  return text.find_first_not_of(" \t", begin) >= end;
}

// Unencoded text: 8-bit bytes that form UTF-8 are read as UTF-8, others stay
// as they are. mayBeCut: the text ends where the field did, perhaps inside a
// character, which is then left out.
std::string PlainToAnsi(const std::string& text, bool mayBeCut) {
  bool cutShort = false;
  size_t whole = Utf8Prefix(text, cutShort);
  if (whole < text.size() && !(mayBeCut && cutShort)) return text;
  bool ascii = true;
  for (size_t i = 0; i < whole; ++i) ascii = ascii && static_cast<unsigned char>(text[i]) < 0x80;
  std::string ansi;
  if (ascii || !ConvertToAnsi(kCodePageUtf8, text.substr(0, whole), ansi)) return text;
  return ansi;
}

// Writes text into the field, cut on a character boundary and zero-filled.
void Store(const std::string& text, char (&field)[kHeaderFieldSize]) {
  size_t length = FittingLength(text.c_str(), kHeaderFieldSize - 1);
  memcpy(field, text.data(), length);
  memset(field + length, 0, kHeaderFieldSize - length);
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

// One pass from the front: decoded text is never decoded again. White space
// between two encoded words is not part of the text (RFC 2047), so a word
// that a sender split in two reads whole.
char* DecodeHeaderValue(char (&field)[kHeaderFieldSize]) {
  std::string text(field);
  bool mayBeCut = text.size() >= kHeaderFieldSize - 2;  // a cut character leaves at most one byte free
  std::string out;
  WordRun run;
  size_t done = 0;
  EncodedWord word;
  while (LocateEncodedWord(text, done, word)) {
    if (run.IsEmpty() || !IsLinearWhiteSpace(text, done, word.start)) {
      if (!run.IsEmpty()) run.MoveTo(out);
      out += PlainToAnsi(text.substr(done, word.start - done), false);
    }
    unsigned codePage = CharsetCodePage(word.charset);
    if (!run.IsEmpty() && !run.Continues(codePage)) run.MoveTo(out);
    run.Add(codePage, text, word);
    done = word.end;
  }
  if (!run.IsEmpty()) run.MoveTo(out);
  out += PlainToAnsi(text.substr(done), mayBeCut);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  Store(out, field);
  return field;
}

char* DecodeEncodedWord(char (&field)[kHeaderFieldSize]) {
  std::string text(field);
  EncodedWord word;
  if (!LocateEncodedWord(text, 0, word)) return field;
  std::string out(text, 0, word.start);
  WordRun run;
  run.Add(CharsetCodePage(word.charset), text, word);
  run.MoveTo(out);
  Store(out + text.substr(word.end), field);
  return field;
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
  QDecodeBytes(input, output, false);
}

char* StripQuotes(char* text) {
  char* out = text;
  for (const char* p = text; *p; ++p) {
    if (*p != '"') *out++ = *p;
  }
  *out = '\0';
  return text;
}
