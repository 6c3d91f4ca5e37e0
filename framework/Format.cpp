#include "framework/Format.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    // One more for the terminator vsnprintf always writes.
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(length));
  }
  va_end(args);
  return text;
}

std::string FirstLineOf(const char* text) {
  std::string line = text ? text : "";
  line.erase(std::min(line.find_first_of("\r\n"), line.size()));
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return line;
}
