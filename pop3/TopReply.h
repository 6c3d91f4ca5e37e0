// What a TOP reply with body lines says about the message: its lines as the
// message has them, whether the message may go on past them, and whether its
// header block is still the one listed. Pure text logic.
#pragma once

#include <string>
#include <vector>

#include "pop3/ReplyLines.h"

// The message's lines in the reply of TOP n bodyLines: the status line and
// the final "." left out, dot-stuffing undone. mayGoOn: the reply was cut
// short (no final "."), or the body reached bodyLines lines and the lines
// hold fewer bytes than messageSize (as LIST gives it; 0 or less: unknown).
std::vector<std::string> MessageLinesOfTop(const ReplyLines& reply, int bodyLines, long long messageSize,
                                           bool& mayGoOn);

// True when the header block in reply is the one listed (the lines of an
// earlier TOP n 0 reply), so the message number still names the same message.
// A block cut short by the reply's byte cap compares as far as it goes; an
// empty listed block gives nothing to compare and counts as the same.
bool HasListedHeader(const ReplyLines& listed, const ReplyLines& reply);
