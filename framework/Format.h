// printf-style formatting into a std::string of whatever length the text needs.
// Window-free, like everything the protocol and store code take from here.
#pragma once

#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A server's error text is the chunk it sent: its first line is the message.
// Control bytes become blanks, so a server cannot write lines of its own into
// the log.
std::string FirstLineOf(const char* text);
