// Header extraction and encoded-word decoding for the View Mail window.
#include "pop3/HeaderParse.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

// Encoded words next to each other in one charset, read as one text: a
// sender that splits a character between two words still shows it whole.
class WordRun {
 public:
  bool IsEmpty() const { return m_words.empty(); }
  bool Continues(unsigned codePage) const { return !IsEmpty() && codePage == m_nCodePage; }

  void Add(unsigned codePage, const std::string& text, const EncodedWord& word) {
    m_nCodePage = codePage;
    m_words.push_back({WordBytes(text, word, true), WordBytes(text, word, false)});
  }

  // Appends the run as UTF-8 and leaves the run empty.
  void MoveTo(std::string& out) {
    std::string utf8;
    if (CharsetToUtf8(m_nCodePage, Joined(0, m_words.size()), utf8)) {
      out += utf8;
    } else {
      AppendWordByWord(out);
    }
    *this = WordRun();
  }

 private:
  // A character split between words spans at most this many.
  static constexpr size_t kSplitSpan = 4;

  struct Word {
    std::string bytes;
    std::string asBytes;  // with the byte decoding's tricks
  };

  std::string Joined(size_t begin, size_t end) const {
    std::string bytes;
    for (size_t i = begin; i < end; ++i) bytes += m_words[i].bytes;
    return bytes;
  }

  // Each word holds whole characters (RFC 2047), so one that the charset
  // cannot read spoils none of its neighbours: it alone keeps its bytes, read
  // in the ANSI code page. A character split anyway is read together with the
  // next few words.
  void AppendWordByWord(std::string& out) const {
    std::string unread;
    for (size_t i = 0; i < m_words.size();) {
      std::string utf8;
      size_t end = i + 1;
      while (end <= m_words.size() && end - i <= kSplitSpan &&
             !CharsetToUtf8(m_nCodePage, Joined(i, end), utf8))
        ++end;
      if (end > m_words.size() || end - i > kSplitSpan) {
        unread += m_words[i++].asBytes;
        continue;
      }
      out += AnsiToUtf8(unread) + utf8;
      unread.clear();
      i = end;
    }
    out += AnsiToUtf8(unread);
  }

  unsigned m_nCodePage = 0;
  std::vector<Word> m_words;
};

bool IsLinearWhiteSpace(const std::string& text, size_t begin, size_t end) {
  return text.find_first_not_of(" \t", begin) >= end;
}

// Unencoded text: 8-bit bytes that form UTF-8 are read as UTF-8, others in
// the ANSI code page, as a system that knows nothing better shows them.
std::string PlainToUtf8(const std::string& text) {
  bool cutShort = false;
  return Utf8Prefix(text, cutShort) == text.size() ? text : AnsiToUtf8(text);
}

// One pass from the front: decoded text is never decoded again. White space
// between two encoded words is not part of the text (RFC 2047), so a word
// that a sender split in two reads whole.
std::string DecodeText(const std::string& text) {
  std::string out;
  WordRun run;
  size_t done = 0;
  EncodedWord word;
  while (LocateEncodedWord(text, done, word)) {
    if (run.IsEmpty() || !IsLinearWhiteSpace(text, done, word.start)) {
      if (!run.IsEmpty()) run.MoveTo(out);
      out += PlainToUtf8(text.substr(done, word.start - done));
    }
    unsigned codePage = CharsetCodePage(word.charset);
    if (!run.IsEmpty() && !run.Continues(codePage)) run.MoveTo(out);
    run.Add(codePage, text, word);
    done = word.end;
  }
  if (!run.IsEmpty()) run.MoveTo(out);
  out += PlainToUtf8(text.substr(done));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return out;
}

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

}  // namespace

bool FindHeader(const ReplyLines& lines, const char* name, std::string& field) {
  field.clear();
  for (const std::string& line : lines) {
    if (!StartsWithNoCase(line, name)) continue;
    field.assign(line, strlen(name), std::string::npos);
    return true;
  }
  return false;
}

// The value is cut only once it is decoded, so the limit counts the
// characters shown, and no encoded word is left half read by a cut.
std::string& DecodeHeaderValue(std::string& text) {
  std::string out = DecodeText(text);
  out.resize(Utf8FittingLength(out, kHeaderValueLimit));
  text.swap(out);
  return text;
}

std::string DecodeHeaderBlock(const ReplyLines& lines) {
  std::string block;
  std::string field;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    // A fold is only a line break inside the field: its white space stays.
    if (IsContinuation(lines[i]) && !field.empty()) {
      field += lines[i];
      continue;
    }
    if (!field.empty()) block += DecodeText(field) + "\r\n";
    field = lines[i];
    if (field.empty()) block += "\r\n";
  }
  if (!field.empty()) block += DecodeText(field) + "\r\n";
  return block;
}

std::string RawHeaderBlock(const ReplyLines& lines) {
  std::string block;
  for (size_t i = 1; i + 1 < lines.size(); ++i) block += PlainToUtf8(lines[i]) + "\r\n";
  return block;
}

std::string& DecodeEncodedWord(std::string& text) {
  EncodedWord word;
  if (!LocateEncodedWord(text, 0, word)) return text;
  std::string out(text, 0, word.start);
  WordRun run;
  run.Add(CharsetCodePage(word.charset), text, word);
  run.MoveTo(out);
  text = out + text.substr(word.end);
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
  QDecodeBytes(input, output, false);
}

std::string& StripQuotes(std::string& text) {
  text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
  return text;
}
