// The POP3 client of one check, with what the watchdog needs beyond the
// session: a way to make the worker's blocked call return, from another thread.
#pragma once

#include "pop3/Pop3Client.h"

class CCheckClient : public CPop3Client {
 public:
  using CPop3Client::CPop3Client;

  // Called on the main thread while the worker may be inside any call of this
  // client. Frees nothing the worker may still be using.
  void Interrupt();
};
