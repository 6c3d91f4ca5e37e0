// MIME charsets of header texts: what a charset name means, how text in it
// reaches UTF-8, and the UTF-8 rules the decoded texts keep. Pure text logic
// around the platform calls of AnsiCodePage.h, so it also builds natively for
// fuzzing.
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

// Converts text in a charset's code page to UTF-8. False, leaving utf8
// unspecified, when the code page is 0 or the platform cannot read the text
// in it; text declared UTF-8 must also be well-formed UTF-8.
bool CharsetToUtf8(unsigned codePage, const std::string& text, std::string& utf8);

// Length of the longest start of text made of whole, well-formed UTF-8
// characters. cutShort tells whether the rest is one character that is
// well-formed as far as it goes but ends with the text.
size_t Utf8Prefix(const std::string& text, bool& cutShort);

// Length of the longest start of well-formed UTF-8 text that takes at most
// units UTF-16 code units: whole characters only, so a cut never splits a
// UTF-8 sequence or the surrogate pair of a character beyond U+FFFF.
size_t Utf8FittingLength(const std::string& text, size_t units);
