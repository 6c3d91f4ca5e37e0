// CFetchWorker: every active account in turn, the header of every message,
// one row each; the clients stay logged in for the deletion.
#include "viewer/FetchWorker.h"

#include "pop3/HeaderWindow.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "framework/AppLog.h"
#include "pop3/HeaderWindow.h"
#include "framework/Format.h"
#include "framework/Messages.h"
#include "pop3/HeaderParse.h"
#include "pop3/Pop3Client.h"
#include "store/AccountList.h"
#include "store/Settings.h"
#include "viewer/MailDate.h"

namespace {

const char kFailedStart[] = "Failed to get mail list for ";

// Ten titles a second read as a running count; more only cost redrawing.
constexpr DWORD kProgressTitleMs = 100;

struct ProxySetting {
  bool use = false;
  std::string host;
  int port = 0;
};

ProxySetting ReadProxy(CSettings& settings) {
  ProxySetting proxy;
  const char* host = nullptr;
  settings.GetProxy(host, proxy.port);
  proxy.host = host ? host : "";
  proxy.use = settings.GetSetting(UseProxy) == 1;
  return proxy;
}

void CleanValues(MailItem& item) {
  MailHeader& h = item.header;
  DecodeHeaderValue(h.subject);
  StripQuotes(DecodeHeaderValue(h.from));
  DecodeHeaderValue(h.sizeText);
  if (h.date[0] != '\0') {
    ParseMailDate(DecodeHeaderValue(h.date), h.received);
  } else {
    time_t now = time(nullptr);
    struct tm* local = localtime(&now);
    if (local) h.received = *local;
  }
}

}  // namespace

// The message ids of one session: numbers mean something only within the
// session that gave them.
struct CFetchWorker::UidTable {
  bool offered = true;
  int session = 0;
  std::vector<std::string> ids;

  // Lists them again when the client has reconnected since (a retried
  // fetch), so each row's id belongs to the session its header came from.
  void Refresh(CPop3Client& client) {
    if (!offered || session == client.SessionNumber()) return;
    offered = client.ListUniqueIds(ids);
    session = client.SessionNumber();
  }
  std::string Get(int number) const {
    return number > 0 && number < static_cast<int>(ids.size()) ? ids[number] : std::string();
  }
};

void CFetchWorker::Run() {
  m_core.Title(m_core.m_bWaitForCheck ? "Getting mail list...(waiting to connect)"
                                      : "Getting mail list...(connecting)");
  // Polling: the main window clears the flag when its check cycle ends.
  while (m_core.m_bWaitForCheck && !m_core.m_bStopRequested) Sleep(100);
  for (int k = 0; k < m_core.accountCount() && !m_core.m_bStopRequested; ++k) FetchAccount(k);
}

void CFetchWorker::FetchAccount(int k) {
  AccountConnection account;
  m_core.m_accountList.CopyConnection(m_core.m_accounts[k], account);
  ProxySetting proxy = ReadProxy(m_core.m_settings);
  m_core.Title("Getting mail list...(connecting to %s)", account.name.c_str());
  m_bProgressShown = false;
  m_core.Pause(500);
  int timeout = ReplyTimeoutSeconds(m_core.m_settings.GetSetting(CheckTimeout));
  auto client = std::make_unique<CPop3Client>(account.ssl, timeout, timeout);
  // The same decision as the check's: a changed certificate is refused before the login.
  CAccount* record = m_core.m_accounts[k];
  CAccountList& list = m_core.m_accountList;
  client->SetCertificateCheck([&list, record, name = account.name](const ServerCertificate& certificate) {
    return list.JudgeServerCertificate(record, name, certificate.chainTrusted, certificate.fingerprint,
                                       [](const std::string& line) { g_appLog.Append(line.c_str()); });
  });
  client->SetStopFlag(&m_core.m_bStopRequested);
  CViewMailCore::CBusyClient busy(m_core, *client);
  try {
    client->Open(proxy.use, proxy.host.c_str(), proxy.port, account.host.c_str(), account.port,
                 account.user.c_str(), account.password.c_str());
    m_core.Title("Getting mail list...(connected)");
    // A STAT reply without a number lists nothing rather than garbage.
    int count = 0;
    int size = 0;
    client->GetStatistics(count, size);
    UidTable uids;
    MessageSizes sizes;
    // A server that takes commands ahead of its replies gets those of the
    // next messages while it answers (the window goes off after any error,
    // and each message then sends its own); any other gives every size in
    // one reply, or is asked per message when it refuses that.
    std::unique_ptr<CHeaderWindow> ahead;
    if (count > 0) {
      uids.Refresh(*client);
      if (client->OffersPipelining()) {
        ahead = std::make_unique<CHeaderWindow>(*client, count);
        ahead->Start();
      } else {
        client->ListSizes(count, sizes);
      }
    }
    int i = 0;
    for (; i < count && !m_core.m_bStopRequested; ++i)
      FetchMessage(k, i, count, *client, uids, sizes, ahead.get());
    // Replies still on their way (after a stop) are read before the session is kept.
    ahead.reset();
    if (i > 0) {
      ProgressTitle(i, count, true);
      m_core.Pause(250);
    }
    m_core.m_clients[k] = std::move(client);
  } catch (const CPop3Exception& e) {
    if (m_core.m_bStopRequested) {
      // The user's stop (or the window's end) cut the reply off: no failure
      // to report. The session is in doubt and goes; the client stays, so
      // rows listed before can still be deleted on a new session.
      client->Disconnect();
      m_core.m_clients[k] = std::move(client);
      return;
    }
    std::string joined = Format("%s%s", kFailedStart, account.name.c_str());
    std::string text = Format("%s\n\nCheck log for more details", joined.c_str());
    m_core.m_window.ShowMessage(text.c_str(), "View Mail", MB_OK);
    std::string line = Format("%s%s - %s - %s", kFailedStart, account.host.c_str(), e.detail,
                              FirstLineOf(e.message).c_str());
    g_appLog.Append(line.c_str());
    // The client goes (QUIT when still logged in); rows already listed stay.
  }
}

void CFetchWorker::ProgressTitle(int index, int count, bool last) {
  const DWORD now = GetTickCount();
  if (!last && m_bProgressShown && now - m_dwProgressTitle < kProgressTitleMs) return;
  m_bProgressShown = true;
  m_dwProgressTitle = now;
  m_core.Title("Getting mail list... (%d of %d)", index, count);
}

void CFetchWorker::FetchMessage(int k, int index, int count, CPop3Client& client, UidTable& uids,
                                const MessageSizes& sizes, CHeaderWindow* ahead) {
  ProgressTitle(index, count, false);
  auto item = std::make_unique<MailItem>();
  item->accountIndex = k;
  item->messageNumber = index + 1;
  if (ahead)
    client.FetchHeader(item->messageNumber, item->header, *ahead);
  else
    client.FetchHeader(item->messageNumber, item->header, sizes);
  CleanValues(*item);
  ComputeSortKeys(*item);
  uids.Refresh(client);
  item->session = client.SessionNumber();
  if (uids.offered) item->uid = uids.Get(item->messageNumber);
  m_core.QueueRow(std::move(item));
  m_core.m_window.RowsWaiting();
}
