// The CheckStatistics worker: one account's STAT on a thread of its own.
#include <memory>
#include <string>

#include "check/CheckJob.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"

DWORD WINAPI CheckStatistics(LPVOID param) {
  std::unique_ptr<std::shared_ptr<CCheckJob>> owned(static_cast<std::shared_ptr<CCheckJob>*>(param));
  CCheckJob& job = **owned;
  // Nothing may unwind out of a thread. A failure no one expected (memory
  // running out) settles the job as failed unless it was settled already.
  bool settled = false;
  try {
    settled = RunMailboxCheck(job, [](const std::string& line) { g_appLog.Append(line.c_str()); });
  } catch (...) {
    settled = job.SettleWithError() || !job.abandoned();
  }
  // A job the watchdog gave up on has been logged and advanced already; its
  // late message would advance the cycle twice.
  if (!settled) return 0;
  PostMessageA(job.notifyWindow(), WM_CHECK_NEXT, static_cast<WPARAM>(job.seq()), 0);
  return 0;
}
