// CViewMailCore: the accounts, sort state, marking and the starting of the
// two workers.
#include "viewer/ViewMailCore.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "framework/AppLog.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "pop3/AnsiCodePage.h"
#include "pop3/Pop3Client.h"
#include "store/AccountList.h"
#include "framework/WorkerThread.h"
#include "store/Settings.h"
#include "viewer/DeleteWorker.h"
#include "viewer/FetchWorker.h"

namespace {

// The worker ends within a step of a socket wait once interrupted; this is
// only for a call that is neither (a name look-up, say).
constexpr DWORD kWorkerEndWaitMs = 10000;

std::vector<CAccount*> ActiveAccounts(CAccountList& list) {
  std::vector<CAccount*> accounts;
  list.SnapshotActive(accounts);
  return accounts;
}

// Read once: a rename in the accounts dialog meanwhile must not change the
// order of rows already sorted by account. Stored in the ANSI code page; the
// rows' texts are UTF-8.
std::vector<std::string> AccountNames(CAccountList& list, const std::vector<CAccount*>& accounts) {
  std::vector<std::string> names;
  for (CAccount* account : accounts) {
    AccountConnection connection;
    list.CopyConnection(account, connection);
    names.push_back(AnsiToUtf8(connection.name));
  }
  return names;
}

}  // namespace

CViewMailCore::CViewMailCore(CViewerCalls& window, CAccountList& accountList, CSettings& settings)
    : m_window(window),
      m_accountList(accountList),
      m_settings(settings),
      m_accounts(ActiveAccounts(accountList)),
      m_clients(m_accounts.size()),
      m_model(AccountNames(accountList, m_accounts)) {}

CViewMailCore::~CViewMailCore() {
  EndWorkers();
}

void CViewMailCore::EndWorkers() {
  if (StopWorkers(kWorkerEndWaitMs)) return;
  // Freeing the accounts, clients and rows now would pull them from under
  // the worker.
  g_appLog.Append("View Mail: a worker did not stop; the program ends without freeing what it uses");
  ExitProcess(1);
}

void CViewMailCore::Abandon() {
  m_bStopRequested = true;
  CLock lock(m_busyLock);
  m_bEnding = true;
  if (m_pBusyClient) m_pBusyClient->Interrupt();
}

bool CViewMailCore::StopWorkers(DWORD ms) {
  Abandon();
  if (!WaitForWorker(ms)) return false;
  for (std::unique_ptr<CPop3Client>& client : m_clients) {
    if (client) client->Disconnect();
  }
  return true;
}

CViewMailCore::CBusyClient::CBusyClient(CViewMailCore& core, CPop3Client& client) : m_core(core) {
  m_core.SetBusyClient(&client);
}

CViewMailCore::CBusyClient::~CBusyClient() {
  m_core.SetBusyClient(nullptr);
}

void CViewMailCore::SetBusyClient(CPop3Client* client) {
  CLock lock(m_busyLock);
  m_pBusyClient = client;
  // Abandoned already: the client is cut off before it starts.
  if (client && m_bEnding) client->Interrupt();
}

int CViewMailCore::InsertShownItem(std::unique_ptr<MailItem> item,
                                   const std::function<bool(int row, MailItem&)>& show) {
  int row = m_model.Insert(std::move(item));
  MailItem& inserted = *m_model.GetItem(row);
  if (show(row, inserted)) return row;
  AccountConnection account;
  if (inserted.accountIndex >= 0 && inserted.accountIndex < accountCount())
    m_accountList.CopyConnection(m_accounts[inserted.accountIndex], account);
  std::string line =
      Format("View Mail: message %d of %s could not be listed", inserted.messageNumber, account.name.c_str());
  m_model.Remove(row);
  g_appLog.Append(line.c_str());
  return -1;
}

void CViewMailCore::QueueRow(std::unique_ptr<MailItem> item) {
  CLock lock(m_waitingLock);
  m_waiting.push_back(std::move(item));
}

int CViewMailCore::InsertWaitingRows(const std::function<bool(int row, MailItem&)>& show) {
  std::vector<std::unique_ptr<MailItem>> rows;
  {
    CLock lock(m_waitingLock);
    rows.swap(m_waiting);
  }
  int shown = 0;
  for (std::unique_ptr<MailItem>& item : rows) {
    if (InsertShownItem(std::move(item), show) >= 0) ++shown;
  }
  return shown;
}

bool CViewMailCore::rowsWaiting() {
  CLock lock(m_waitingLock);
  return !m_waiting.empty();
}

void CViewMailCore::LoadSortState() {
  m_model.SetSortState(m_settings.GetSortColumn(3), m_settings.GetSortOrder(1) != 0);
}

void CViewMailCore::SortByColumn(int column) {
  bool ascending = column == m_model.sortColumn() ? !m_model.sortAscending() : true;
  m_model.SetSortState(column, ascending);
  m_settings.SetSortColumn(column);
  m_settings.SetSortOrder(ascending ? 1 : 0);
  m_model.Sort();
}

int CViewMailCore::MarkSelected(const std::vector<int>& selected, std::vector<int>& changed) {
  changed.clear();
  if (!m_bClosing) changed = m_model.SetMarked(selected, true);
  return BuildDeleteLists();
}

int CViewMailCore::UnmarkSelected(const std::vector<int>& selected, std::vector<int>& changed) {
  changed.clear();
  if (!m_bClosing) changed = m_model.SetMarked(selected, false);
  return BuildDeleteLists();
}

bool CViewMailCore::StartFetchWorker() {
  auto done = [this] {
    m_bFetchDone = true;
    m_window.Post(WM_FETCH_DONE);
  };
  auto body = [this, done] {
    CFetchWorker(*this).Run();
    done();
  };
  auto recover = [done] {
    // Out of memory, or worse: the window must still learn that the fetch ended.
    g_appLog.Append("View Mail: getting the mail list ended unexpectedly");
    done();
  };
  if (StartWorker(body, recover, "get the mail list")) return true;
  m_bFetchDone = true;
  m_window.Post(WM_FETCH_DONE);
  return false;
}

bool CViewMailCore::StartDeleteWorker() {
  if (m_bClosing || !m_bFetchDone) return false;
  m_bClosing = true;
  m_nDeleteTotal = BuildDeleteLists();
  m_deleteJob.assign(m_accounts.size(), std::vector<ListedMessage>());
  m_deleteSubjects.assign(m_accounts.size(), std::vector<std::string>());
  for (int row = 0; row < m_model.GetCount(); ++row) {
    const MailItem& item = *m_model.GetItem(row);
    if (!item.header.marked || item.accountIndex < 0 || item.accountIndex >= accountCount()) continue;
    ListedMessage listed;
    listed.number = item.messageNumber;
    listed.session = item.session;
    listed.uid = item.uid;
    // Without an id the header block is what identifies the message.
    if (item.uid.empty()) listed.headerLines = item.header.lines;
    m_deleteJob[item.accountIndex].push_back(std::move(listed));
    m_deleteSubjects[item.accountIndex].push_back(item.header.subject);
  }
  auto body = [this] { CDeleteWorker(*this).Run(); };
  auto recover = [this] {
    // Out of memory, or worse: the window must not stay closing for ever.
    g_appLog.Append("View Mail: deleting mail ended unexpectedly");
    m_window.Post(WM_DELETE_DONE);
  };
  if (StartWorker(body, recover, "delete mail")) return true;
  m_deleteJob.clear();
  m_deleteSubjects.clear();
  m_bClosing = false;
  return false;
}

void CViewMailCore::OnDeleteDone() {
  WaitForWorker(INFINITE);
  m_deleteLists.clear();
  m_deleteJob.clear();
  m_deleteSubjects.clear();
  m_model.Clear();
}

void CViewMailCore::ClearForRefresh() {
  for (std::unique_ptr<CPop3Client>& client : m_clients) {
    // Its QUIT is read whole, whatever stopped the fetch.
    if (client) client->SetStopFlag(nullptr);
    client.reset();
  }
  {
    CLock lock(m_waitingLock);
    m_waiting.clear();
  }
  m_model.Clear();
  m_deleteLists.clear();
  m_bStopRequested = false;
  m_bFetchDone = false;
}

bool CViewMailCore::WaitForWorker(DWORD ms) {
  return !m_hWorker.Valid() || WaitForSingleObject(m_hWorker.Get(), ms) == WAIT_OBJECT_0;
}

bool CViewMailCore::StartWorker(std::function<void()> body, std::function<void()> recover, const char* what) {
  // The previous worker has ended (the window starts one only then); its
  // handle can go.
  WaitForWorker(INFINITE);
  m_hWorker = StartWorkerThread(std::move(body), std::move(recover));
  DWORD error = GetLastError();
  if (m_hWorker.Valid()) return true;
  char line[128];
  snprintf(line, sizeof(line), "View Mail: could not start a thread to %s (error %lu)", what,
           static_cast<unsigned long>(error));
  g_appLog.Append(line);
  return false;
}

void CViewMailCore::Title(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  int written = vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  if (written < 0) return;
  if (written >= static_cast<int>(sizeof(text))) {
    // Cut to fit; a double-byte character split at the end goes whole.
    size_t length = strlen(text);
    for (size_t i = 0; i < length; ++i) {
      if (!IsDBCSLeadByte(static_cast<BYTE>(text[i]))) continue;
      if (i + 1 >= length) text[i] = '\0';
      ++i;
    }
  }
  m_window.SetTitle(text);
}

void CViewMailCore::Pause(DWORD ms) const {
  if (!m_bVisiblePauses) return;
  for (DWORD slept = 0; slept < ms && !m_bEnding; slept += 50) Sleep(50);
}
