// printf-style formatting into a line of a fixed greatest size: a long server
// error text is cut, never written past the end.
#pragma once

#include <cstddef>
#include <string>

std::string FormatLogLine(std::size_t bufferSize, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
