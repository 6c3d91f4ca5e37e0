// libFuzzer target: arbitrary text through the date parser and its display.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "viewer/MailDate.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("TZ", "EST5EDT", 1);  // a zone with summer time exercises more of mktime
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 255) size = 255;  // the date field holds at most 255 characters
  char* text = static_cast<char*>(malloc(size + 1));
  memcpy(text, data, size);
  text[size] = '\0';
  struct tm out;
  ParseMailDate(text, out);
  if (out.tm_mon < 0 || out.tm_mon > 11 || out.tm_mday < 1 || out.tm_mday > 31) abort();
  FormatMailDate(out);
  free(text);
  return 0;
}
