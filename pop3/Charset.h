// MIME charsets of header texts: what a charset name means, and how text in
// it reaches the ANSI code page. Pure text logic around the two platform calls
// of AnsiCodePage.h, so it also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <string>

constexpr unsigned kCodePageUtf8 = 65001;
constexpr unsigned kCodePageShiftJis = 932;
constexpr unsigned kCodePageIso2022Jp = 50220;

// The code page of a charset name such as "UTF-8", "iso-8859-2" or
// "windows-1251" (case, "-" and "_" do not matter; an RFC 2231 language after
// "*" is ignored); 0 for a name this program does not know.
unsigned CharsetCodePage(const std::string& name);

// Converts text in a charset's code page to the ANSI code page. False, leaving
// ansi unspecified, when the code page is 0 or the platform cannot read the
// text in it; text declared UTF-8 must also be well-formed UTF-8.
bool CharsetToAnsi(unsigned codePage, const std::string& text, std::string& ansi);

// Length of the longest start of text made of whole, well-formed UTF-8
// characters. cutShort tells whether the rest is one character that is
// well-formed as far as it goes but ends with the text.
size_t Utf8Prefix(const std::string& text, bool& cutShort);
