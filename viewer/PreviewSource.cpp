// What the information window's preview worker needs of a listed message,
// copied from the viewer on its window's thread.
#include "framework/AppLog.h"
#include "pop3/Pop3Client.h"
#include "store/AccountList.h"
#include "store/Settings.h"
#include "viewer/PreviewWorker.h"
#include "viewer/ViewMailCore.h"

#include <cstdlib>

namespace {

// The comparison stops at the end of the header block, and a reply never
// keeps more than the cap: a longer listed block is not worth copying.
ReplyLines ListedStart(const ReplyLines& lines) {
  ReplyLines start;
  size_t bytes = 0;
  for (const std::string& line : lines) {
    if (line == "." || bytes + line.size() + 2 > kPreviewByteCap) break;
    bytes += line.size() + 2;
    start.push_back(line);
    if (line.empty()) break;
  }
  return start;
}

}  // namespace

bool CViewMailCore::PreviewJobFor(const MailItem& item, PreviewJob& job) {
  if (item.accountIndex < 0 || item.accountIndex >= accountCount()) return false;
  CAccount* record = m_accounts[item.accountIndex];
  if (!m_accountList.CopyConnection(record, job.account)) return false;
  job.bodyLines = m_settings.GetSetting(PreviewLines);
  job.timeout = ReplyTimeoutSeconds(m_settings.GetSetting(CheckTimeout));
  const char* proxyHost = nullptr;
  m_settings.GetProxy(proxyHost, job.proxyPort);
  job.proxyHost = proxyHost ? proxyHost : "";
  job.useProxy = m_settings.GetSetting(UseProxy) == 1;
  job.number = item.messageNumber;
  job.uid = item.uid;
  job.listed = ListedStart(item.header.lines);
  job.size = atoll(item.header.sizeBytes.c_str());
  // The same decision as the listing's: a changed certificate is refused before the login.
  CAccountList& list = m_accountList;
  job.certificateCheck = [&list, record, name = job.account.name](const ServerCertificate& certificate) {
    return list.JudgeServerCertificate(record, name, certificate.chainTrusted, certificate.fingerprint,
                                       [](const std::string& line) { g_appLog.Append(line.c_str()); });
  };
  return true;
}
