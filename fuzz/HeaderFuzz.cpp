// libFuzzer target: an arbitrary header block through the extraction and
// cleaning the fetch worker applies, checking that every value ends as
// well-formed UTF-8 within its limit, and the charset conversions on their own. Built with the double-byte
// model of the ANSI code page in AnsiCodePageModel.cpp.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pop3/Charset.h"
#include "pop3/HeaderParse.h"
#include "pop3/Iso2022Jp.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// Well-formed UTF-8 of at most 255 UTF-16 units, without control characters.
void CheckValue(const std::string& value) {
  bool cutShort = false;
  Check(Utf8Prefix(value, cutShort) == value.size());
  Check(Utf8FittingLength(value, kHeaderValueLimit) == value.size());
  for (char c : value) Check(static_cast<unsigned char>(c) >= 32);
}

void Clean(const ReplyLines& lines, const char* name, bool stripQuotes) {
  std::string field = "stale";
  FindHeader(lines, name, field);
  std::string before = field;
  DecodeHeaderValue(field);
  CheckValue(field);
  // Plain ASCII without an encoded word only has its control characters blanked and is cut.
  if (before.find("=?") == std::string::npos) {
    bool ascii = true;
    for (char& c : before) {
      ascii = ascii && static_cast<unsigned char>(c) < 0x80;
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    }
    if (ascii) Check(before.substr(0, kHeaderValueLimit) == field);
  }
  if (stripQuotes) {
    StripQuotes(field);
    Check(field.find('"') == std::string::npos);
  }
}

void Conversions(const std::string& text) {
  std::string out;
  bool cutShort = false;
  Check(Utf8Prefix(text, cutShort) <= text.size());
  if (Iso2022JpToShiftJis(text, out)) Check(out.size() <= 2 * text.size());
  for (unsigned codePage : {kCodePageUtf8, kCodePageIso2022Jp, 28592u, CharsetCodePage(text)}) {
    if (CharsetToUtf8(codePage, text, out)) Check(Utf8Prefix(out, cutShort) == out.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReplyLines lines;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.push_back(current);
      current.clear();
    } else if (data[i] != '\r') {
      current += static_cast<char>(data[i]);
    }
  }
  lines.push_back(current);
  Clean(lines, "Subject:", false);
  Clean(lines, "From:", true);
  Clean(lines, "Date:", false);
  bool cutShort = false;
  for (const std::string& block : {DecodeHeaderBlock(lines), RawHeaderBlock(lines)})
    Check(Utf8Prefix(block, cutShort) == block.size());

  // The decoders alone, on an exactly sized payload, so a read past its end shows.
  std::string payload(reinterpret_cast<const char*>(data), size);
  payload.resize(strlen(payload.c_str()));
  char* input = static_cast<char*>(malloc(payload.size() + 1));
  char* output = static_cast<char*>(malloc(payload.size() + 1));
  memcpy(input, payload.c_str(), payload.size() + 1);
  Check(Base64Decode(input, output) <= static_cast<int>(payload.size()));
  QDecode(input, output);
  free(input);
  free(output);
  DecodeEncodedWord(payload);
  Conversions(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
