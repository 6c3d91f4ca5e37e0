// MailHeader: one message's header values as the View Mail window lists them.
// The texts are UTF-8 strings of their real length; a decoded value holds at
// most kHeaderValueLimit characters.
#pragma once

#include <ctime>
#include <string>

#include "pop3/ReplyLines.h"

// In UTF-16 code units, the characters of the windows that show the values.
constexpr size_t kHeaderValueLimit = 255;

struct MailHeader {
  std::string from;         // value of the first "From:" line
  std::string subject;      // value of the first "Subject:" line
  std::string date;         // value of the first "Date:" line
  std::string sizeBytes;    // size in bytes, "%d"
  std::string sizeText;     // "%d KB", size / 1000 + 1
  ReplyLines lines;         // every line of the TOP reply
  struct tm received = {};  // parsed Date, or the time the row was made
  bool marked = false;      // marked for deletion
};
