// Header extraction and RFC 2047 encoded-word decoding. Pure text logic: no
// Winsock and no windows; the platform's code pages are reached through
// AnsiCodePage.h, so it also builds natively for fuzzing.
#pragma once

#include <string>

#include "pop3/MailHeader.h"
#include "pop3/ReplyLines.h"

// Copies the whole value of the first line that starts with name (which
// includes its colon), compared without regard to case, into field, as its
// bytes came. A field that finds nothing is left empty.
bool FindHeader(const ReplyLines& lines, const char* name, std::string& field);

// Decodes every complete encoded word from the start on, up to the first "=?"
// that does not begin one, and turns the text into UTF-8: an encoded word
// from its charset, unencoded 8-bit text from UTF-8 when it is that, else
// from the ANSI code page (as is a word in a charset this program cannot
// read). Blanks between two encoded words are dropped, control characters
// become blanks, and the result is cut to kHeaderValueLimit characters.
std::string& DecodeHeaderValue(std::string& text);
// The header block of a TOP reply (its status line and final "." left out)
// as UTF-8, one line per header field: folded lines joined, encoded words
// and 8-bit text decoded as DecodeHeaderValue does, without its cut. Every
// line, the empty one that ends the block included, ends with CR LF.
std::string DecodeHeaderBlock(const ReplyLines& lines);
// The same lines as received, encoded words and folds as they are; each line
// read as UTF-8 when it is that, else in the ANSI code page.
std::string RawHeaderBlock(const ReplyLines& lines);
// Decodes the first complete encoded word in place into UTF-8; the text
// around it stays as it is.
std::string& DecodeEncodedWord(std::string& text);
// Returns the number of bytes written (no terminator). output must hold
// strlen(input) bytes; decoding never needs more.
int Base64Decode(const char* input, char* output);
// Writes the decoded text and a terminator; output must hold strlen(input) + 1.
// Meant for a charset that is not known: 0x96 becomes "-" and 0xC2 is dropped.
void QDecode(const char* input, char* output);
// Removes every double quote.
std::string& StripQuotes(std::string& text);
