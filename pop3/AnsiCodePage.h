// The platform's code pages, as header decoding needs them: the system's ANSI
// code page (in which unlabelled 8-bit text and unknown charsets are read) and
// the conversion of any code page to UTF-8. Kept behind this interface so the
// decoding itself stays pure text logic.
#pragma once

#include <cstddef>
#include <string>

// 2 when text starts with a lead byte of a double-byte character of the ANSI
// code page and its trail byte follows, else 1 (0 never: a terminator is 1).
size_t AnsiCharLength(const char* text);

// Converts text of a code page to UTF-8. Bytes the code page does not define
// become the platform's replacement character. False when the platform does
// not know the code page.
bool ConvertToUtf8(unsigned codePage, const std::string& text, std::string& utf8);

// Text in the ANSI code page (a stored account name, 8-bit bytes of unknown
// origin) as UTF-8; never fails.
std::string AnsiToUtf8(const std::string& text);
