// Header extraction and RFC 2047 encoded-word decoding. Pure text logic: no
// Winsock and no windows; the ANSI code page is reached through
// AnsiCodePage.h, so it also builds natively for fuzzing.
#pragma once

#include "pop3/MailHeader.h"
#include "pop3/ReplyLines.h"

// Copies the value of the first line that starts with name (which includes its
// colon), compared without regard to case, into field: at most 255 bytes, the
// rest zero-filled. A field that finds nothing is left empty.
bool FindHeader(const ReplyLines& lines, const char* name, char (&field)[kHeaderFieldSize]);

// Decodes every complete encoded word from the start on, up to the first "=?"
// that does not begin one, and converts the text to the ANSI code page: an
// encoded word from its charset (one this program does not know keeps its
// bytes), unencoded UTF-8 from UTF-8. Blanks between two encoded words are
// dropped, control characters become blanks, and the result is cut to the
// field on a character boundary.
char* DecodeHeaderValue(char (&field)[kHeaderFieldSize]);
// Decodes and converts the first encoded word in place; a text without a
// complete one stays as it is.
char* DecodeEncodedWord(char (&field)[kHeaderFieldSize]);
// Returns the number of bytes written (no terminator). output must hold
// strlen(input) bytes; decoding never needs more.
int Base64Decode(const char* input, char* output);
// Writes the decoded text and a terminator; output must hold strlen(input) + 1.
// Meant for a charset that is not known: 0x96 becomes "-" and 0xC2 is dropped.
void QDecode(const char* input, char* output);
// Removes every double quote.
char* StripQuotes(char* text);
