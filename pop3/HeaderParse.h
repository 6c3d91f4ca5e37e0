// Header extraction and RFC 2047 encoded-word decoding. Pure text logic: no
// Winsock and no windows, so it also builds natively for fuzzing.
#pragma once

#include "pop3/MailHeader.h"
#include "pop3/ReplyLines.h"

// Copies the value of the first line that starts with name (which includes its
// colon), compared without regard to case, into field: at most 255 bytes, the
// rest zero-filled. A field that finds nothing is left empty.
bool FindHeader(const ReplyLines& lines, const char* name, char (&field)[kHeaderFieldSize]);

// Decodes every complete encoded word from the start on, up to the first "=?"
// that does not begin one, then turns control characters into blanks.
char* DecodeHeaderValue(char* text);
// Decodes the first encoded word in place; a text without a complete one
// stays as it is. Never makes the text longer.
char* DecodeEncodedWord(char* text);
// Returns the number of bytes written (no terminator). output must hold
// strlen(input) bytes; decoding never needs more.
int Base64Decode(const char* input, char* output);
// Writes the decoded text and a terminator; output must hold strlen(input) + 1.
void QDecode(const char* input, char* output);
// Removes every double quote.
char* StripQuotes(char* text);
