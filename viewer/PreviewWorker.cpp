// The preview fetch: log in, confirm the message, TOP n L within the byte
// cap, and the MIME walk over what arrived.
#include "viewer/PreviewWorker.h"

#include "framework/AppLog.h"
#include "framework/CriticalSection.h"
#include "framework/Format.h"
#include "framework/WorkerThread.h"
#include "pop3/ListedMessage.h"
#include "pop3/MessageText.h"
#include "pop3/Pop3Client.h"
#include "pop3/TopReply.h"

namespace {

std::string FailureText(const CPop3Exception& e) {
  std::string reason = FirstLineOf(e.message);
  if (e.detail[0] != '\0') reason += Format(" (%s)", e.detail);
  return "The message text could not be fetched: " + reason;
}

// The reply's lines as the comparison takes them: one whose end was dropped
// by the byte cap counts as cut short, not as a shorter header block.
bool SameMessage(const PreviewJob& job, const ReplyLines& reply, bool dropped) {
  if (!dropped || reply.empty()) return HasListedHeader(job.listed, reply);
  ReplyLines cut(reply.begin(), reply.end() - 1);
  return HasListedHeader(job.listed, cut);
}

const char kNotListed[] = "This is no longer the message listed; its text is not shown.";
const char kGone[] = "This message is no longer on the server.";

std::string FetchWithClient(const PreviewJob& job, CPop3Client& client) {
  client.Open(job.useProxy, job.proxyHost.c_str(), job.proxyPort, job.account.host.c_str(), job.account.port,
              job.account.user.c_str(), job.account.password.c_str());
  // Numbers hold only within the listing's session: this one is new, so
  // its number is confirmed before it is used.
  if (!job.uid.empty()) {
    ListedMessage listed;
    listed.number = job.number;
    listed.uid = job.uid;
    ListedState state = client.CheckListed(listed);
    if (state == ListedState::Gone) return kGone;
    if (state != ListedState::Listed) return kNotListed;
  }
  ReplyLines reply;
  const int session = client.SessionNumber();
  bool dropped = client.FetchTop(job.number, job.bodyLines, kPreviewByteCap, reply);
  // Without an id the header block is the check; with one, a retry on a
  // new session is covered by it too.
  if ((job.uid.empty() || client.SessionNumber() != session) && !SameMessage(job, reply, dropped))
    return kNotListed;
  bool mayGoOn = false;
  std::vector<std::string> lines = MessageLinesOfTop(reply, job.bodyLines, job.size, mayGoOn);
  reply.clear();
  return FormatMessageText(ReadMessageText(lines, mayGoOn || dropped));
}

}  // namespace

std::string FetchPreviewText(const PreviewJob& job, const std::function<void(CPop3Client*)>& onClient) {
  CPop3Client client(job.account.ssl, job.timeout, job.timeout);
  client.SetCertificateCheck(job.certificateCheck);
  onClient(&client);
  std::string text;
  try {
    text = FetchWithClient(job, client);
  } catch (const CPop3Exception& e) {
    text = FailureText(e);
    g_appLog.Append(Format("Message text for %s: %s", job.account.name.c_str(), text.c_str()).c_str());
  }
  onClient(nullptr);
  // TOP changes nothing, so there is nothing for QUIT to commit, and its
  // reply would only hold the text back.
  client.Disconnect();
  return text;
}

struct CPreviewWorker::Shared {
  CCriticalSection cs;
  HWND window = nullptr;  // cleared by Stop: nothing is posted after it
  UINT message = 0;
  CPop3Client* client = nullptr;  // the session under way, for Stop to cut
  std::string text;
};

bool CPreviewWorker::Start(PreviewJob job, HWND window, UINT message) {
  auto shared = std::make_shared<Shared>();
  shared->window = window;
  shared->message = message;
  // The verdict reaches the account list; once the window has closed the
  // list may go, so a late handshake is refused instead.
  if (CertificateCheck judge = std::move(job.certificateCheck)) {
    job.certificateCheck = [shared, judge](const ServerCertificate& certificate) {
      CLock lock(shared->cs);
      if (!shared->window) return std::string("The information window was closed");
      return judge(certificate);
    };
  }
  CUniqueHandle thread = StartWorkerThread(
      [shared, job] {
        std::string text = FetchPreviewText(job, [&shared](CPop3Client* client) {
          CLock lock(shared->cs);
          shared->client = client;
          if (client && !shared->window) client->Interrupt();
        });
        CLock lock(shared->cs);
        shared->text = std::move(text);
        if (shared->window) PostMessageA(shared->window, shared->message, 0, 0);
      },
      [shared] {
        CLock lock(shared->cs);
        shared->text = "The message text could not be fetched: out of memory";
        if (shared->window) PostMessageA(shared->window, shared->message, 0, 0);
      });
  if (!thread.Valid()) {
    g_appLog.Append(
        Format("Information window: could not start a thread to fetch the message text (error %lu)",
               static_cast<unsigned long>(GetLastError()))
            .c_str());
    return false;
  }
  m_shared = std::move(shared);
  m_hThread = std::move(thread);
  return true;
}

std::string CPreviewWorker::TakeText() {
  if (!m_shared) return std::string();
  CLock lock(m_shared->cs);
  return std::move(m_shared->text);
}

bool CPreviewWorker::Stop(DWORD ms) {
  if (!m_hThread.Valid()) return true;
  {
    CLock lock(m_shared->cs);
    m_shared->window = nullptr;
    if (m_shared->client) m_shared->client->Interrupt();
  }
  bool ended = WaitForSingleObject(m_hThread.Get(), ms) == WAIT_OBJECT_0;
  if (!ended) g_appLog.Append("Information window: the message text fetch did not stop in time; left to end");
  m_hThread.Reset();
  m_shared.reset();
  return ended;
}
