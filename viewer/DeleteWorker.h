// CDeleteWorker: the View Mail deletion, on a thread of its own, once the
// window's close request has gathered the marked messages: the question, DELE
// on the client that listed each, QUIT to every account, the report of what
// stayed; then the window is told it may close.
#pragma once

#include <vector>

#include "pop3/MailboxDeletion.h"
#include "viewer/ViewMailCore.h"

class CDeleteWorker {
 public:
  explicit CDeleteWorker(CViewMailCore& core) : m_core(core) {}
  CDeleteWorker(const CDeleteWorker&) = delete;
  CDeleteWorker& operator=(const CDeleteWorker&) = delete;

  // The thread's body.
  void Run();

 private:
  std::vector<DeletionResult> DeleteAccountMessages(int k, int& n);
  // Logs each message that did not end deleted; returns how many are still
  // on the server.
  int ReportAccount(int k, const std::vector<DeletionResult>& results);
  void LogoutAll();

  CViewMailCore& m_core;
};
