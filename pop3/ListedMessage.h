// ListedMessage: what tells one message apart on its server beyond its
// number, recorded when it was listed, so a later session can confirm it.
#pragma once

#include <string>

#include "pop3/ReplyLines.h"

struct ListedMessage {
  int number = 0;          // the message number in the listing session
  int session = 0;         // the client's SessionNumber() when it was listed
  std::string uid;         // its UIDL id; empty when the server offers none
  ReplyLines headerLines;  // its TOP n 0 reply; compared when there is no id
};
