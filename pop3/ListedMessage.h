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

// What a later session finds under a listed message's number.
enum class ListedState {
  Listed,   // the message listed
  Changed,  // another message, or none (and no id tells more)
  Gone,     // none, and its id is nowhere on the server
};
