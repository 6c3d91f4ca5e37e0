// MIME header fields (RFC 2045, 2183) with RFC 2231 parameter sections.
#include "pop3/MimeHeader.h"

#include <cstdlib>
#include <cstring>

#include "pop3/HeaderParse.h"
#include "pop3/TextToUtf8.h"

namespace {

// More sections than any real name needs; the bound keeps a hostile header
// from building a large map.
constexpr long kMaxSections = 64;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Reads one structured field value from the left: tokens, quoted strings and
// the separators between them, skipping blanks and (comments).
class ValueReader {
 public:
  explicit ValueReader(const std::string& text) : text_(text) {}

  bool AtEnd() {
    SkipBlanksAndComments();
    return at_ >= text_.size();
  }
  bool Take(char c) {
    if (AtEnd() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  // A token; empty when the next character cannot start one.
  std::string Token() {
    SkipBlanksAndComments();
    size_t begin = at_;
    while (at_ < text_.size() && IsTokenChar(text_[at_])) ++at_;
    return text_.substr(begin, at_ - begin);
  }
  // A parameter value: a quoted string, or everything up to the next ";"
  // (senders leave names with blanks or "=" unquoted), less a trailing comment.
  std::string Value() {
    SkipBlanksAndComments();
    if (at_ < text_.size() && text_[at_] == '"') return Quoted();
    size_t end = text_.find(';', at_);
    if (end == std::string::npos) end = text_.size();
    std::string value = text_.substr(at_, end - at_);
    at_ = end;
    size_t comment = value.find(" (");
    return Trim(comment == std::string::npos ? value : value.substr(0, comment));
  }
  void SkipPast(char c) {
    size_t next = text_.find(c, at_);
    at_ = next == std::string::npos ? text_.size() : next + 1;
  }

 private:
  static bool IsTokenChar(char c) { return c > ' ' && c < 0x7F && !strchr("()<>@,;:\\\"/[]?=", c); }
  void SkipBlanksAndComments() {
    int depth = 0;
    for (; at_ < text_.size(); ++at_) {
      char c = text_[at_];
      if (depth > 0 && c == '\\') {
        ++at_;
      } else if (c == '(') {
        ++depth;
      } else if (depth > 0 && c == ')') {
        --depth;
      } else if (depth == 0 && !IsBlank(c)) {
        return;
      }
    }
  }
  std::string Quoted() {
    std::string value;
    for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
      if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
      value += text_[at_];
    }
    if (at_ < text_.size()) ++at_;
    return value;
  }

  const std::string& text_;
  size_t at_ = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    int high = i + 2 < text.size() && text[i] == '%' ? HexDigit(text[i + 1]) : -1;
    int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
    if (low >= 0) {
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One parameter's RFC 2231 sections ("name*0*=", "name*1=" ...) or its
// single extended form ("name*="), by section number.
struct Section {
  std::string value;
  bool encoded;
};
using Sections = std::map<long, Section>;

struct Params {
  std::map<std::string, std::string> plain;
  std::map<std::string, Sections> extended;

  void Add(const std::string& name, const std::string& value) {
    size_t star = name.find('*');
    if (star == std::string::npos) {
      plain.emplace(name, value);
      return;
    }
    std::string base = name.substr(0, star);
    std::string number = name.substr(star + 1);  // "" for "name*", "0" for "name*0" or "name*0*"
    bool encoded = number.empty() || number.back() == '*';
    if (!number.empty() && number.back() == '*') number.pop_back();
    if (number.empty() && name.size() != star + 1) return;
    if (number.size() > 2 || number.find_first_not_of("0123456789") != std::string::npos) return;
    long section = number.empty() ? 0 : strtol(number.c_str(), nullptr, 10);
    if (section < kMaxSections) extended[base].emplace(section, Section{value, encoded});
  }

  // The value of a parameter, in UTF-8 when its RFC 2231 form carries a
  // charset; utf8 tells which. The extended form wins over the plain one.
  bool Get(const std::string& name, std::string& value, bool& utf8) const {
    auto sections = extended.find(name);
    if (sections != extended.end() && sections->second.count(0)) {
      value = Joined(sections->second, utf8);
      return true;
    }
    auto found = plain.find(name);
    if (found == plain.end()) return false;
    value = found->second;
    utf8 = false;
    return true;
  }

 private:
  // Sections 0, 1, 2 ... as far as they run without a gap; the charset is
  // written before the first encoded section's value: "utf-8'en'%E2%82%AC".
  static std::string Joined(const Sections& sections, bool& utf8) {
    std::string charset;
    std::string bytes;
    bool anyEncoded = false;
    for (long number = 0; sections.count(number); ++number) {
      const Section& section = sections.at(number);
      std::string value = section.value;
      if (section.encoded && number == 0) {
        size_t first = value.find('\'');
        size_t second = first == std::string::npos ? first : value.find('\'', first + 1);
        if (second != std::string::npos) {
          charset = value.substr(0, first);
          value = value.substr(second + 1);
        }
      }
      bytes += section.encoded ? PercentDecode(value) : value;
      anyEncoded = anyEncoded || section.encoded;
    }
    utf8 = anyEncoded;
    return anyEncoded ? TextToUtf8(charset, bytes, false) : bytes;
  }
};

// "type/subtype; name=value; ..." or, for a disposition, "kind; name=value".
Params ReadParams(ValueReader& reader) {
  Params params;
  while (!reader.AtEnd()) {
    if (!reader.Take(';')) {
      reader.SkipPast(';');
      continue;
    }
    std::string name = Lower(reader.Token());
    if (name.empty() || !reader.Take('=')) {
      reader.SkipPast(';');
      continue;
    }
    params.Add(name, reader.Value());
  }
  return params;
}

// A name from a header as written: encoded words and raw 8-bit text decoded
// the way the header texts are, control characters blanked.
std::string DecodedName(const std::string& value) {
  std::string name = value;
  return DecodeHeaderValue(name);
}

std::string CleanName(const std::string& utf8) {
  std::string name;
  for (char c : utf8) name += static_cast<unsigned char>(c) < ' ' || c == 0x7F ? ' ' : c;
  return Trim(name);
}

void SetContentType(MimeHeader& header, const std::string& value, std::string& typeName) {
  ValueReader reader(value);
  std::string type = Lower(reader.Token());
  if (type.empty() || !reader.Take('/')) return;
  std::string subtype = Lower(reader.Token());
  if (subtype.empty()) return;
  header.type = type;
  header.subtype = subtype;
  Params params = ReadParams(reader);
  for (const auto& param : params.plain) header.params.emplace(param.first, param.second);
  bool utf8 = false;
  if (params.Get("name", typeName, utf8) && !utf8) typeName = DecodedName(typeName);
  for (const auto& param : params.extended) {
    std::string joined;
    if (param.first != "name" && params.Get(param.first, joined, utf8)) header.params[param.first] = joined;
  }
}

void SetDisposition(MimeHeader& header, const std::string& value, std::string& fileName) {
  ValueReader reader(value);
  header.attachment = Lower(reader.Token()) == "attachment";
  Params params = ReadParams(reader);
  bool utf8 = false;
  if (params.Get("filename", fileName, utf8) && !utf8) fileName = DecodedName(fileName);
}

void SetDefaultType(MimeHeader& header, const char* defaultType) {
  const char* slash = strchr(defaultType, '/');
  header.type.assign(defaultType, slash - defaultType);
  header.subtype = slash + 1;
}

}  // namespace

std::string MimeHeader::Param(const char* paramName) const {
  auto found = params.find(paramName);
  return found == params.end() ? std::string() : found->second;
}

MimeHeader ParseMimeHeader(const std::vector<std::string>& lines, size_t begin, size_t end,
                           const char* defaultType) {
  // Unfolded fields: a line that starts with a blank continues the one before.
  std::vector<std::string> fields;
  for (size_t i = begin; i < end; ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      if (!fields.empty()) fields.back() += line;
    } else {
      fields.push_back(line);
    }
  }
  MimeHeader header;
  SetDefaultType(header, defaultType);
  bool haveType = false, haveEncoding = false, haveDisposition = false;
  std::string typeName, fileName;
  for (const std::string& field : fields) {
    size_t colon = field.find(':');
    if (colon == std::string::npos) continue;
    std::string name = Lower(Trim(field.substr(0, colon)));
    std::string value = field.substr(colon + 1);
    if (name == "content-type" && !haveType) {
      haveType = true;
      SetContentType(header, value, typeName);
    } else if (name == "content-transfer-encoding" && !haveEncoding) {
      haveEncoding = true;
      ValueReader reader(value);
      header.encoding = Lower(reader.Token());
    } else if (name == "content-disposition" && !haveDisposition) {
      haveDisposition = true;
      SetDisposition(header, value, fileName);
    }
  }
  header.name = CleanName(fileName.empty() ? typeName : fileName);
  return header;
}
