// Quoted-printable and base64 bodies.
#include "pop3/TransferEncoding.h"

#include "pop3/HeaderParse.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;  // not canonical, but senders write it
  return -1;
}

// Appends one quoted-printable line; true when it ends in a soft line break.
bool AppendQuotedPrintable(const std::string& line, std::string& out) {
  size_t end = line.size();
  while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;  // added in transport
  for (size_t i = 0; i < end; ++i) {
    if (line[i] != '=') {
      out += line[i];
      continue;
    }
    if (i + 1 == end) return true;
    int high = i + 2 < end ? HexDigit(line[i + 1]) : -1;
    int low = high >= 0 ? HexDigit(line[i + 2]) : -1;
    if (low < 0) {
      out += '=';  // not an escape: kept as written
      continue;
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return false;
}

std::string DecodeBase64(const std::vector<std::string>& lines, size_t begin, size_t end) {
  std::string encoded;
  for (size_t i = begin; i < end; ++i) encoded += lines[i];
  std::string decoded(encoded.size() + 1, '\0');
  decoded.resize(Base64Decode(encoded.c_str(), &decoded[0]));
  return decoded;
}

}  // namespace

std::string DecodeTransferEncoding(const std::string& encoding, const std::vector<std::string>& lines,
                                   size_t begin, size_t end) {
  if (encoding == "base64") return DecodeBase64(lines, begin, end);
  bool quoted = encoding == "quoted-printable";
  std::string out;
  for (size_t i = begin; i < end; ++i) {
    bool joined = quoted ? AppendQuotedPrintable(lines[i], out) : (out += lines[i], false);
    if (!joined && i + 1 < end) out += "\r\n";
  }
  return out;
}
