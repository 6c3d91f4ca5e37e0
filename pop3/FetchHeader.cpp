// CPop3Client::FetchHeader: TOP n 0 and the three header values the View
// Mail window lists, with a retry rule of its own.
#include <string>

#include "pop3/HeaderParse.h"
#include "pop3/HeaderWindow.h"
#include "pop3/MailHeader.h"
#include "pop3/Pop3Client.h"

namespace {

void ClearHeader(MailHeader& header) {
  header.from.clear();
  header.subject.clear();
  header.date.clear();
  header.sizeBytes.clear();
  header.lines.clear();  // sizeText is always written on success
}

}  // namespace

// Like every retried operation, but an incomplete header also reconnects
// once: a server that cut the reply short gets a second chance. The second
// result stays, with whatever it lacks left empty.
void CPop3Client::FetchHeader(int number, MailHeader& header) {
  RunWithRetryUntil([&](bool lastAttempt) { return HeaderAttempt(number, header, lastAttempt, false); });
}

// The retry reconnects, which leaves the window off: the second attempt
// sends its own commands.
void CPop3Client::FetchHeader(int number, MailHeader& header, CHeaderWindow& ahead) {
  try {
    RunWithRetryUntil([&](bool lastAttempt) {
      return HeaderAttempt(number, header, lastAttempt, ahead.SendThrough(number));
    });
  } catch (const CPop3Exception&) {
    ahead.Abandon();
    throw;
  }
}

void CPop3Client::FetchHeader(int number, MailHeader& header, const MessageSizes& sizes) {
  RunWithRetryUntil(
      [&](bool lastAttempt) { return HeaderAttempt(number, header, lastAttempt, false, &sizes); });
}

bool CPop3Client::HeaderAttempt(int number, MailHeader& header, bool lastAttempt, bool sent,
                                const MessageSizes* sizes) {
  ClearHeader(header);
  if (sent) {
    ReadReply(header.lines, m_nReceiveTimeout, true);
  } else {
    Top(number, 0, header.lines);
  }
  // All three searches run, so every field is set either way.
  bool foundFrom = FindHeader(header.lines, "From:", header.from);
  bool foundSubject = FindHeader(header.lines, "Subject:", header.subject);
  bool foundDate = FindHeader(header.lines, "Date:", header.date);
  if (!(foundFrom && foundSubject && foundDate) && !lastAttempt) return false;
  // A reconnected session may number the messages differently: it asks again.
  int size = sizes && sizes->Holds(number, m_nSession) ? sizes->bytes[number] : MessageSize(number, sent);
  header.sizeBytes = std::to_string(size);
  header.sizeText = std::to_string(size / 1000 + 1) + " KB";
  return true;
}
