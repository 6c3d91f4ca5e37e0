// CViewMailCore's delete worker: confirmation, DELE for every marked message
// on the client that listed it, QUIT to every account, lower counts.
#include <string>

#include "framework/AppLog.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "pop3/Pop3Client.h"
#include "store/AccountList.h"
#include "viewer/ViewMailCore.h"

DWORD WINAPI CViewMailCore::DeleteWorker(LPVOID viewer) {
  CViewMailCore& self = *static_cast<CViewMailCore*>(viewer);
  try {
    self.DeleteMarked();
  } catch (...) {
    // Out of memory, or worse: the window must not stay closing for ever.
    g_appLog.Append("View Mail: deleting mail ended unexpectedly");
    self.m_window.Post(WM_DELETE_DONE);
  }
  return 0;
}

void CViewMailCore::DeleteMarked() {
  const int total = m_nDeleteTotal;
  bool doDelete = false;
  if (total > 0) {
    int answer = m_window.ShowMessage("Delete selected mail ?", "ViewMail", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) {
      m_bClosing = false;  // the window goes on as before the close request
      return;
    }
    doDelete = answer == IDYES;
  }
  bool failed = false;
  int n = 0;
  for (int k = 0; doDelete && k < accountCount(); ++k) {
    // An account whose fetch failed has no client: its rows stay on the server.
    if (m_clients[k] && !DeleteAccountMessages(k, n)) failed = true;
  }
  if (failed) {
    m_window.ShowMessage("Failed to delete mail", nullptr, MB_OK);
  } else if (total > 0 && doDelete) {
    Pause(500);
  }
  Title("View Mail...(disconnecting)");
  Pause(500);
  LogoutAll();
  m_window.Post(WM_DELETE_DONE);
}

// False when any deletion failed; the others are still attempted.
bool CViewMailCore::DeleteAccountMessages(int k, int& n) {
  const std::vector<ListedMessage>& messages = m_deleteJob[k];
  bool ok = true;
  for (const ListedMessage& listed : messages) {
    ++n;
    Title("Deleting...(%d of %d)", n, m_nDeleteTotal);
    try {
      m_clients[k]->DeleteListedMessage(listed);
      Pause(250);
    } catch (const CPop3Exception& e) {
      ok = false;
      AccountConnection account;
      m_accountList.CopyConnection(m_accounts[k], account);
      std::string line = Format("Error deleting mail for %s from %s: %s", account.name.c_str(),
                                account.host.c_str(), FirstLineOf(e.message).c_str());
      g_appLog.Append(line.c_str());
    }
  }
  // Failed ones too: the next check cycle counts again anyway.
  m_accounts[k]->SubtractCount(static_cast<int>(messages.size()));
  return ok;
}

// Every account ends with QUIT, also when nothing was deleted: only then
// does the server remove what was deleted.
void CViewMailCore::LogoutAll() {
  for (std::unique_ptr<CPop3Client>& client : m_clients) {
    if (!client) continue;
    try {
      client->Logout();
    } catch (const CPop3Exception&) {
      // The destructor tries once more and swallows the failure.
    }
    client.reset();
  }
}
