// printf-style formatting into a std::string of whatever length the text needs.
// Window-free, like everything the protocol and store code take from here.
#pragma once

#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
