#include "check/LogLine.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string FormatLogLine(std::size_t bufferSize, const char* format, ...) {
  if (bufferSize == 0) return std::string();
  std::vector<char> buffer(bufferSize, '\0');
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(buffer.data(), bufferSize, format, args);
  va_end(args);
  if (written < 0) return std::string();
  return std::string(buffer.data());
}
