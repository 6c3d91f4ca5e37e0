// The CheckStatistics worker: one account's STAT on a thread of its own.
#include <memory>
#include <string>

#include "app/AppLog.h"
#include "app/Messages.h"
#include "check/CheckJob.h"

DWORD WINAPI CheckStatistics(LPVOID param) {
  std::unique_ptr<std::shared_ptr<CCheckJob>> owned(static_cast<std::shared_ptr<CCheckJob>*>(param));
  CCheckJob& job = **owned;
  int count = 0;
  std::string errorLine;
  bool ok = QueryMailboxCount(job, count, errorLine);
  bool settled = ok ? job.SettleWithCount(count) : job.SettleWithError();
  // A job the watchdog gave up on has been logged and advanced already; its
  // late result and message would count the account twice.
  if (!settled) return 0;
  if (!ok && !errorLine.empty()) g_appLog.Append(errorLine.c_str());
  PostMessageA(job.notifyWindow(), WM_CHECK_NEXT, static_cast<WPARAM>(job.seq()), 0);
  return 0;
}
