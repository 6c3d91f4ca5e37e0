// HTML to plain text: one pass over the document, no tree and no renderer.
#include "pop3/HtmlText.h"

#include <cstring>

#include "pop3/TextToUtf8.h"

namespace {

// A <meta> charset declaration must come early in a document; looking no
// further keeps a long body from being scanned for one.
constexpr size_t kMetaScanLimit = 16 * 1024;
// Far more than a <meta> element needs; a document of "<meta" without a ">"
// must not make every one of them read to the end.
constexpr size_t kMaxMetaLength = 1024;
// The longest entity name looked up ("CounterClockwiseContourIntegral" is 31).
constexpr size_t kMaxEntityLength = 32;

struct Entity {
  const char* name;
  unsigned short codePoint;
};

// The entities mail writers use; any other is left as written.
const Entity kEntities[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},     {"iexcl", 0xA1},    {"cent", 0xA2},     {"pound", 0xA3},    {"curren", 0xA4},
    {"yen", 0xA5},      {"brvbar", 0xA6},   {"sect", 0xA7},     {"uml", 0xA8},      {"copy", 0xA9},
    {"ordf", 0xAA},     {"laquo", 0xAB},    {"not", 0xAC},      {"shy", 0xAD},      {"reg", 0xAE},
    {"macr", 0xAF},     {"deg", 0xB0},      {"plusmn", 0xB1},   {"sup2", 0xB2},     {"sup3", 0xB3},
    {"acute", 0xB4},    {"micro", 0xB5},    {"para", 0xB6},     {"middot", 0xB7},   {"cedil", 0xB8},
    {"sup1", 0xB9},     {"ordm", 0xBA},     {"raquo", 0xBB},    {"frac14", 0xBC},   {"frac12", 0xBD},
    {"frac34", 0xBE},   {"iquest", 0xBF},   {"Agrave", 0xC0},   {"Aacute", 0xC1},   {"Acirc", 0xC2},
    {"Atilde", 0xC3},   {"Auml", 0xC4},     {"Aring", 0xC5},    {"AElig", 0xC6},    {"Ccedil", 0xC7},
    {"Egrave", 0xC8},   {"Eacute", 0xC9},   {"Ecirc", 0xCA},    {"Euml", 0xCB},     {"Igrave", 0xCC},
    {"Iacute", 0xCD},   {"Icirc", 0xCE},    {"Iuml", 0xCF},     {"ETH", 0xD0},      {"Ntilde", 0xD1},
    {"Ograve", 0xD2},   {"Oacute", 0xD3},   {"Ocirc", 0xD4},    {"Otilde", 0xD5},   {"Ouml", 0xD6},
    {"times", 0xD7},    {"Oslash", 0xD8},   {"Ugrave", 0xD9},   {"Uacute", 0xDA},   {"Ucirc", 0xDB},
    {"Uuml", 0xDC},     {"Yacute", 0xDD},   {"THORN", 0xDE},    {"szlig", 0xDF},    {"agrave", 0xE0},
    {"aacute", 0xE1},   {"acirc", 0xE2},    {"atilde", 0xE3},   {"auml", 0xE4},     {"aring", 0xE5},
    {"aelig", 0xE6},    {"ccedil", 0xE7},   {"egrave", 0xE8},   {"eacute", 0xE9},   {"ecirc", 0xEA},
    {"euml", 0xEB},     {"igrave", 0xEC},   {"iacute", 0xED},   {"icirc", 0xEE},    {"iuml", 0xEF},
    {"eth", 0xF0},      {"ntilde", 0xF1},   {"ograve", 0xF2},   {"oacute", 0xF3},   {"ocirc", 0xF4},
    {"otilde", 0xF5},   {"ouml", 0xF6},     {"divide", 0xF7},   {"oslash", 0xF8},   {"ugrave", 0xF9},
    {"uacute", 0xFA},   {"ucirc", 0xFB},    {"uuml", 0xFC},     {"yacute", 0xFD},   {"thorn", 0xFE},
    {"yuml", 0xFF},     {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161},
    {"Yuml", 0x178},    {"fnof", 0x192},    {"circ", 0x2C6},    {"tilde", 0x2DC},   {"ensp", 0x2002},
    {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},   {"zwj", 0x200D},    {"lrm", 0x200E},
    {"rlm", 0x200F},    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"bull", 0x2022},   {"hellip", 0x2026}, {"permil", 0x2030}, {"prime", 0x2032},
    {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"euro", 0x20AC},   {"trade", 0x2122},  {"larr", 0x2190},
    {"uarr", 0x2191},   {"rarr", 0x2192},   {"darr", 0x2193},   {"harr", 0x2194},   {"minus", 0x2212},
    {"le", 0x2264},     {"ge", 0x2265},     {"ne", 0x2260},     {"infin", 0x221E},  {"check", 0x2713},
};

// Entities written without their ";" that still count (old mail writers).
const char* const kBareEntities[] = {"amp", "lt", "gt", "quot", "nbsp", "copy", "reg"};

// What numeric references 128-159 mean: the Windows-1252 characters, as
// browsers read them, not the C1 control codes.
const unsigned short kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// Elements whose content is never text: code, style sheets, the document's
// title (the window shows the subject) and Office's embedded XML.
const char* const kSkippedElements[] = {"script", "style", "title", "template", "xml"};

// Elements that stand on lines of their own; the first group also keeps an
// empty line around itself, like a paragraph.
const char* const kParagraphElements[] = {"p",  "h1", "h2", "h3",    "h4",         "h5",  "h6",
                                          "ul", "ol", "dl", "table", "blockquote", "pre", "hr"};
const char* const kLineElements[] = {"div",        "li",      "tr",      "dt",      "dd",       "option",
                                     "center",     "address", "article", "section", "header",   "footer",
                                     "nav",        "aside",   "main",    "form",    "fieldset", "figure",
                                     "figcaption", "caption", "details", "summary", "legend"};

template <size_t N>
bool IsOneOf(const std::string& name, const char* const (&names)[N]) {
  for (const char* candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Position of lowerNeedle in text at or after from, letters compared without
// case; npos when it is not there.
size_t FindNoCase(const std::string& text, const char* lowerNeedle, size_t from, size_t limit) {
  size_t length = strlen(lowerNeedle);
  if (limit > text.size()) limit = text.size();
  for (size_t at = from; at + length <= limit; ++at) {
    size_t i = 0;
    while (i < length && LowerAscii(text[at + i]) == lowerNeedle[i]) ++i;
    if (i == length) return at;
  }
  return std::string::npos;
}

// Characters that take no room and carry nothing a reader sees. Newsletters
// pad their hidden preview text with them by the hundred.
bool IsInvisible(unsigned long codePoint) {
  return codePoint == 0xAD || codePoint == 0x34F || (codePoint >= 0x200B && codePoint <= 0x200F) ||
         codePoint == 0x2060 || codePoint == 0xFEFF;
}

// Reads the UTF-8 character at text[at]: its code point and length; length 0
// when the bytes there are not well-formed UTF-8.
unsigned long ReadUtf8(const std::string& text, size_t at, size_t& length) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  length = lead < 0x80                   ? 1
           : lead >= 0xC2 && lead < 0xE0 ? 2
           : lead >= 0xE0 && lead < 0xF0 ? 3
           : lead >= 0xF0 && lead < 0xF5 ? 4
                                         : 0;
  if (length == 0 || at + length > text.size()) {
    length = 0;
    return 0;
  }
  unsigned long codePoint = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      length = 0;
      return 0;
    }
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  return codePoint;
}

// Collects the text with the spacing a reader expects: runs of blanks become
// one blank, block ends become line breaks, never more than one empty line.
class TextWriter {
 public:
  void Char(unsigned long codePoint) {
    bool blank = codePoint == ' ' || codePoint == '\t' || codePoint == '\n' || codePoint == '\r' ||
                 codePoint == '\f' || codePoint == 0xA0;
    // Invisible characters and control codes (which show as boxes) are left out.
    if (IsInvisible(codePoint) || (!blank && (codePoint < ' ' || (codePoint >= 0x7F && codePoint < 0xA0))))
      return;
    if (preformatted_ > 0) {
      if (codePoint == '\n') {
        out_ += '\n';
        newlines_ = 1;
      } else if (codePoint != '\r' && codePoint != '\f') {
        Append(codePoint);
      }
      return;
    }
    if (blank) {
      space_ = true;
      return;
    }
    if (space_ && newlines_ == 0 && !out_.empty()) out_ += ' ';
    space_ = false;
    Append(codePoint);
  }
  // Ends the line (count 1) or the paragraph (count 2) unless it has ended.
  void Break(int count) {
    space_ = false;
    if (out_.empty()) return;
    while (newlines_ < count) {
      out_ += '\n';
      ++newlines_;
    }
  }
  // A <br>: a line break even on an empty line, up to one empty line.
  void LineBreak() {
    space_ = false;
    if (out_.empty() || newlines_ >= 2) return;
    out_ += '\n';
    ++newlines_;
  }
  void Space() { space_ = true; }
  void Preformatted(bool start) { preformatted_ += start ? 1 : (preformatted_ > 0 ? -1 : 0); }

  std::string Text() {
    while (!out_.empty() && (out_.back() == '\n' || out_.back() == ' ')) out_.pop_back();
    return out_;
  }

 private:
  void Append(unsigned long codePoint) {
    AppendUtf8(codePoint, out_);
    newlines_ = 0;
  }

  std::string out_;
  int newlines_ = 0;
  bool space_ = false;
  int preformatted_ = 0;
};

// One pass over the document.
class HtmlReader {
 public:
  explicit HtmlReader(const std::string& html) : html_(html) {}

  std::string Read() {
    while (at_ < html_.size()) {
      char c = html_[at_];
      if (c == '<') {
        Markup();
      } else if (c == '&') {
        Reference();
      } else {
        Character();
      }
    }
    return writer_.Text();
  }

 private:
  void Character() {
    size_t length = 0;
    unsigned long codePoint = ReadUtf8(html_, at_, length);
    if (length == 0) {  // not UTF-8 after all: the byte as the code point of its Latin-1 reading
      codePoint = static_cast<unsigned char>(html_[at_]);
      length = 1;
    }
    writer_.Char(codePoint);
    at_ += length;
  }

  void Markup() {
    char next = at_ + 1 < html_.size() ? html_[at_ + 1] : '\0';
    if (html_.compare(at_, 4, "<!--") == 0) {
      SkipPast("-->", at_ + 4);
    } else if (next == '!' || next == '?') {
      SkipPast(">", at_ + 2);
    } else if (IsAsciiLetter(next) ||
               (next == '/' && at_ + 2 < html_.size() && IsAsciiLetter(html_[at_ + 2]))) {
      Tag(next == '/');
    } else {
      writer_.Char('<');
      ++at_;
    }
  }

  void SkipPast(const char* end, size_t from) {
    size_t found = html_.find(end, from);
    at_ = found == std::string::npos ? html_.size() : found + strlen(end);
  }

  // A start or end tag; attributes are passed over, quoted values whole.
  void Tag(bool endTag) {
    at_ += endTag ? 2 : 1;
    std::string name;
    while (at_ < html_.size() && (IsAsciiLetter(html_[at_]) || IsAsciiDigit(html_[at_]) ||
                                  html_[at_] == ':' || html_[at_] == '-')) {
      name += LowerAscii(html_[at_++]);
    }
    char quote = '\0';
    for (; at_ < html_.size(); ++at_) {
      char c = html_[at_];
      if (quote != '\0') {
        if (c == quote) quote = '\0';
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        ++at_;
        break;
      }
    }
    Element(name, endTag);
  }

  void Element(const std::string& name, bool endTag) {
    if (!endTag && IsOneOf(name, kSkippedElements)) {
      SkipContent(name);
    } else if (name == "br") {
      writer_.LineBreak();
    } else if (IsOneOf(name, kParagraphElements)) {
      writer_.Break(2);
      if (name == "pre") writer_.Preformatted(!endTag);
    } else if (IsOneOf(name, kLineElements)) {
      writer_.Break(1);
      if (name == "li" && !endTag) {
        writer_.Char('-');
        writer_.Char(' ');
      }
    } else if (name == "td" || name == "th") {
      writer_.Space();
    }
  }

  // Passes over everything up to the element's end tag ("</script" and a
  // character that cannot continue the name), or to the document's end.
  void SkipContent(const std::string& name) {
    std::string endTag = "</" + name;
    for (size_t found = FindNoCase(html_, endTag.c_str(), at_, html_.size()); found != std::string::npos;
         found = FindNoCase(html_, endTag.c_str(), found + 1, html_.size())) {
      size_t after = found + endTag.size();
      if (after < html_.size() && (IsAsciiLetter(html_[after]) || IsAsciiDigit(html_[after]))) continue;
      at_ = after;
      SkipPast(">", at_);
      return;
    }
    at_ = html_.size();
  }

  // "&name;", "&#123;" or "&#x1F4A9;"; anything else is a plain "&".
  void Reference() {
    size_t begin = at_ + 1;
    unsigned long codePoint = 0;
    size_t end =
        begin < html_.size() && html_[begin] == '#' ? Numeric(begin + 1, codePoint) : Named(begin, codePoint);
    if (end == 0) {
      writer_.Char('&');
      ++at_;
      return;
    }
    writer_.Char(codePoint);
    at_ = end;
  }

  // Returns the position after the reference, 0 when there is none.
  size_t Numeric(size_t at, unsigned long& codePoint) {
    bool hex = at < html_.size() && (html_[at] == 'x' || html_[at] == 'X');
    if (hex) ++at;
    size_t digits = at;
    unsigned long value = 0;
    for (; at < html_.size(); ++at) {
      char c = LowerAscii(html_[at]);
      int digit = IsAsciiDigit(c) ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
      if (digit < 0) break;
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + digit;
    }
    if (at == digits) return 0;
    if (at < html_.size() && html_[at] == ';') ++at;
    if (value >= 0x80 && value <= 0x9F) value = kWindows1252High[value - 0x80];
    codePoint = value == 0 ? 0xFFFD : value;  // AppendUtf8 turns the rest that is no character into U+FFFD
    return at;
  }

  size_t Named(size_t at, unsigned long& codePoint) {
    std::string name;
    while (at < html_.size() && name.size() <= kMaxEntityLength &&
           (IsAsciiLetter(html_[at]) || IsAsciiDigit(html_[at]))) {
      name += html_[at++];
    }
    if (at < html_.size() && html_[at] == ';' && Lookup(name, codePoint)) return at + 1;
    // Without its ";" an old entity counts as far as its name goes: "&copy2025".
    for (const char* bare : kBareEntities) {
      if (name.compare(0, strlen(bare), bare) == 0 && Lookup(bare, codePoint)) {
        return at - name.size() + strlen(bare);
      }
    }
    return 0;
  }

  static bool Lookup(const std::string& name, unsigned long& codePoint) {
    for (const Entity& entity : kEntities) {
      if (name == entity.name) {
        codePoint = entity.codePoint;
        return true;
      }
    }
    return false;
  }

  const std::string& html_;
  size_t at_ = 0;
  TextWriter writer_;
};

// The charset token after "charset" and "=" in one <meta> tag's text.
std::string CharsetIn(const std::string& tag) {
  size_t at = FindNoCase(tag, "charset", 0, tag.size());
  if (at == std::string::npos) return std::string();
  at += 7;
  while (at < tag.size() && IsHtmlSpace(tag[at])) ++at;
  if (at >= tag.size() || tag[at] != '=') return std::string();
  ++at;
  while (at < tag.size() && (IsHtmlSpace(tag[at]) || tag[at] == '"' || tag[at] == '\'')) ++at;
  std::string charset;
  while (at < tag.size() &&
         (IsAsciiLetter(tag[at]) || IsAsciiDigit(tag[at]) || (tag[at] != '\0' && strchr("-_.:", tag[at])))) {
    charset += tag[at++];
  }
  return charset;
}

}  // namespace

std::string HtmlToText(const std::string& html) {
  return HtmlReader(html).Read();
}

std::string HtmlDeclaredCharset(const std::string& html) {
  for (size_t at = FindNoCase(html, "<meta", 0, kMetaScanLimit); at != std::string::npos;
       at = FindNoCase(html, "<meta", at + 1, kMetaScanLimit)) {
    size_t end = html.find('>', at);
    size_t length = end == std::string::npos ? html.size() - at : end - at;
    std::string charset = CharsetIn(html.substr(at, length < kMaxMetaLength ? length : kMaxMetaLength));
    if (!charset.empty()) return charset;
  }
  return std::string();
}
