// CDeleteWorker: confirmation, DELE for every marked message on the client
// that listed it, QUIT to every account, lower counts, and the report of
// every marked message that is still on the server.
#include "viewer/DeleteWorker.h"

#include <string>

#include "framework/AppLog.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "pop3/Pop3Client.h"
#include "store/AccountList.h"
#include "viewer/DeletionReport.h"

void CDeleteWorker::Run() {
  const int total = m_core.m_nDeleteTotal;
  bool doDelete = false;
  // A window that ends at once asks nothing and deletes nothing.
  if (total > 0 && !m_core.m_bEnding) {
    int answer =
        m_core.m_window.ShowMessage("Delete selected mail ?", "ViewMail", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL && !m_core.m_bEnding) {
      m_core.m_bClosing = false;  // the window goes on as before the close request
      return;
    }
    doDelete = answer == IDYES;
  }
  int notDeleted = 0;
  std::vector<std::string> accounts;  // the names of those with mail not deleted
  int n = 0;
  for (int k = 0; doDelete && k < m_core.accountCount(); ++k) {
    if (m_core.m_deleteJob[k].empty()) continue;
    int left = ReportAccount(k, DeleteAccountMessages(k, n));
    if (left == 0) continue;
    notDeleted += left;
    AccountConnection account;
    m_core.m_accountList.CopyConnection(m_core.m_accounts[k], account);
    accounts.push_back(account.name);
  }
  // The program is closing: the log says what stayed, no box holds it up.
  if (notDeleted > 0 && !m_core.m_bEnding) {
    m_core.m_window.ShowMessage(NotDeletedText(notDeleted, total, accounts).c_str(), nullptr,
                                MB_OK | MB_ICONWARNING);
  } else if (total > 0 && doDelete) {
    m_core.Pause(500);
  }
  m_core.Title("View Mail...(disconnecting)");
  m_core.Pause(500);
  LogoutAll();
  m_core.m_window.Post(WM_DELETE_DONE);
}

// One account's marked messages, made final by its QUIT. An account whose
// fetch failed has no client: its messages stay on the server.
std::vector<DeletionResult> CDeleteWorker::DeleteAccountMessages(int k, int& n) {
  const std::vector<ListedMessage>& messages = m_core.m_deleteJob[k];
  if (!m_core.m_clients[k]) {
    DeletionResult noSession;
    noSession.outcome = DeletionResult::Lost;
    return std::vector<DeletionResult>(messages.size(), noSession);
  }
  CPop3Client& client = *m_core.m_clients[k];
  client.SetStopFlag(&m_core.m_bEnding);
  CViewMailCore::CBusyClient busy(m_core, client);
  CMailboxDeletion deletion(client, messages, m_core.m_bEnding);
  deletion.DeleteAll(
      [&](size_t) {
        ++n;
        m_core.Title("Deleting...(%d of %d)", n, m_core.m_nDeleteTotal);
      },
      [&] { m_core.Pause(250); });
  deletion.Commit();
  // Only what is off the server now: a count lowered by a message that
  // stayed would make it look new at the next check.
  m_core.m_accounts[k]->SubtractCount(deletion.Count(DeletionResult::Deleted) +
                                      deletion.Count(DeletionResult::Gone));
  return deletion.results();
}

int CDeleteWorker::ReportAccount(int k, const std::vector<DeletionResult>& results) {
  AccountConnection account;
  m_core.m_accountList.CopyConnection(m_core.m_accounts[k], account);
  int left = 0;
  for (size_t i = 0; i < results.size(); ++i) {
    std::string line = DeletionLogLine(account.name, account.host, m_core.m_deleteJob[k][i].number,
                                       results[i], m_core.m_deleteSubjects[k][i]);
    if (!line.empty()) g_appLog.Append(line.c_str());
    if (IsNotDeleted(results[i].outcome)) ++left;
  }
  return left;
}

// Every other account ends with QUIT too, also when nothing was deleted; a
// window that ends at once drops them instead (nothing is pending on them).
void CDeleteWorker::LogoutAll() {
  for (std::unique_ptr<CPop3Client>& client : m_core.m_clients) {
    if (!client) continue;
    if (client->IsLoggedIn() && !m_core.m_bEnding) {
      // A stopped fetch's flag must not cut QUIT's answer short.
      client->SetStopFlag(&m_core.m_bEnding);
      CViewMailCore::CBusyClient busy(m_core, *client);
      try {
        client->Logout();
      } catch (const CPop3Exception&) {
        // Nothing was deleted on it; the connection goes below.
      }
    }
    client->Disconnect();
    client.reset();
  }
}
