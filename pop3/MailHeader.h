// MailHeader: one message's header values as the View Mail window lists them.
// The texts are fixed 256-byte fields: at most 255 bytes and a terminator.
#pragma once

#include <ctime>

#include "pop3/ReplyLines.h"

constexpr int kHeaderFieldSize = 256;

struct MailHeader {
  char from[kHeaderFieldSize] = {};       // value of the first "From:" line
  char subject[kHeaderFieldSize] = {};    // value of the first "Subject:" line
  char date[kHeaderFieldSize] = {};       // value of the first "Date:" line
  char sizeBytes[kHeaderFieldSize] = {};  // size in bytes, "%d"
  char sizeText[kHeaderFieldSize] = {};   // "%d KB", size / 1000 + 1
  ReplyLines lines;                       // every line of the TOP reply
  struct tm received = {};                // parsed Date, or the time the row was made
  bool marked = false;                    // marked for deletion
};
