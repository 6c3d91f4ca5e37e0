// MailItem: one row of the View Mail window: which message of which account,
// its header values, and the sort keys worked out once when it is made.
#pragma once

#include <string>

#include "pop3/MailHeader.h"

struct MailItem {
  int accountIndex = 0;   // position of its account in the viewer's account list
  int messageNumber = 0;  // 1-based, on the connection that listed it
  MailHeader header;

  // Converting the date on every comparison would dominate sorting.
  long long timeKey = 0;  // header.received as mktime gives it
  int sizeKey = 0;        // header.sizeBytes read as "%d"

  int session = 0;  // the client's session the message was listed in
  std::string uid;  // its UIDL id there; empty when the server offers none
};

// Sets the sort keys from header.received and header.sizeBytes.
void ComputeSortKeys(MailItem& item);
