// libFuzzer target: an arbitrary header block through the extraction and
// cleaning the fetch worker applies, checking that every field stays in bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pop3/HeaderParse.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void Clean(const ReplyLines& lines, const char* name, bool stripQuotes) {
  char field[kHeaderFieldSize];
  memset(field, 'x', sizeof(field));
  FindHeader(lines, name, field);
  Check(field[kHeaderFieldSize - 1] == '\0');
  size_t before = strlen(field);
  DecodeHeaderValue(field);
  Check(strlen(field) <= before);
  for (const char* p = field; *p; ++p) Check(static_cast<unsigned char>(*p) >= 32);
  if (stripQuotes) {
    StripQuotes(field);
    Check(strchr(field, '"') == nullptr);
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

  // The decoders alone, on an exactly sized payload, so a read past its end shows.
  std::string payload(reinterpret_cast<const char*>(data), size);
  payload.resize(strlen(payload.c_str()));
  char* input = static_cast<char*>(malloc(payload.size() + 1));
  char* output = static_cast<char*>(malloc(payload.size() + 1));
  memcpy(input, payload.c_str(), payload.size() + 1);
  Check(Base64Decode(input, output) <= static_cast<int>(payload.size()));
  QDecode(input, output);
  DecodeEncodedWord(input);
  free(input);
  free(output);
  return 0;
}
