// CPreviewWorker: the first lines of one message's text, fetched on a POP3
// session of its own for the information window, off the window's thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/Handles.h"
#include "pop3/CertificateTrust.h"
#include "pop3/ReplyLines.h"
#include "store/Account.h"

class CPop3Client;

// Whatever a server sends, no more of one message is kept for its preview.
constexpr size_t kPreviewByteCap = 256 * 1024;

// Everything the fetch needs, copied on the window's thread when the window
// opens, so nothing the viewer owns is reached from the worker.
struct PreviewJob {
  AccountConnection account;
  bool useProxy = false;
  std::string proxyHost;
  int proxyPort = 0;
  int timeout = 30;    // seconds, for every step of the session
  int bodyLines = 0;   // TOP's line count; 0 or less: no preview
  int number = 0;      // the message number in the listing
  std::string uid;     // its UIDL id there; empty when the server offers none
  ReplyLines listed;   // the start of its listed TOP n 0 reply, to compare
  long long size = 0;  // LIST's size; 0 when unknown
  CertificateCheck certificateCheck;
};

// The pane's text (UTF-8, CR LF line ends) for the message the job names:
// its readable text, or why there is none. Runs the whole session on the
// calling thread; never throws a POP3 failure. onClient is told of the
// session's client once it is made, and of nullptr before it goes, so that
// another thread can interrupt it.
std::string FetchPreviewText(const PreviewJob& job, const std::function<void(CPop3Client*)>& onClient);

class CPreviewWorker {
 public:
  CPreviewWorker() = default;
  ~CPreviewWorker() { Stop(kStopWait); }
  CPreviewWorker(const CPreviewWorker&) = delete;
  CPreviewWorker& operator=(const CPreviewWorker&) = delete;

  // Starts the fetch; message is posted to window once the text is in
  // (TakeText). False when no thread could be made (logged).
  bool Start(PreviewJob job, HWND window, UINT message);
  std::string TakeText();
  // Nothing more reaches the window, the session is cut off and the thread
  // is waited for at most ms. A thread that has not ended by then is left to
  // end by itself: it holds only its own copies and no longer reaches the
  // account list. True when no thread runs any more.
  bool Stop(DWORD ms);

  // A connect or a reply never waits longer than the time-out, and the cut
  // session fails at its next step: this only covers a stuck system call.
  static constexpr DWORD kStopWait = 3000;

 private:
  struct Shared;
  std::shared_ptr<Shared> m_shared;
  CUniqueHandle m_hThread;
};
