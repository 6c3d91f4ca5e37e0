// Text of a declared charset as UTF-8: the charset conversion of message
// bodies and MIME parameters. Pure text logic around AnsiCodePage.h.
#pragma once

#include <string>

// Converts bytes in the named charset to UTF-8. An unknown charset, one the
// platform lacks, and bytes that are not what their label says fall back:
// well-formed UTF-8 is taken as it is, other bytes are read in the ANSI code
// page (as the header texts keep them). mayBeCut: the bytes end where a fetch
// stopped, so a UTF-8 character cut there is left out.
std::string TextToUtf8(const std::string& charset, const std::string& bytes, bool mayBeCut);

// Appends code point as UTF-8; one that is no character (a surrogate, or past
// U+10FFFF) as U+FFFD.
void AppendUtf8(unsigned long codePoint, std::string& utf8);
