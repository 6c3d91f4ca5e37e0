// What the user is told about marked messages that did not end deleted: one
// log line per message with its subject, and one box for them all.
#pragma once

#include <string>
#include <vector>

#include "pop3/MailboxDeletion.h"

// The log line for a message that was not deleted, or that was no longer on
// the server; empty for a deleted one. account and host are ANSI as stored,
// the subject UTF-8 as listed (it goes last, so a cut line loses only its
// end). Refused and Lost carry the failure's text; a Lost result with no
// text means the account had no session to delete on.
std::string DeletionLogLine(const std::string& account, const std::string& host, int number,
                            const DeletionResult& result, const std::string& subjectUtf8);

// "N of M marked messages were not deleted (Work, Home). See the log for
// details." The account names in the order given.
std::string NotDeletedText(int notDeleted, int marked, const std::vector<std::string>& accounts);

// Whether the message did not end as the user asked: still on the server.
bool IsNotDeleted(DeletionResult::Outcome outcome);
