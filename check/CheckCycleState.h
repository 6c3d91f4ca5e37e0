// The check cycle's bookkeeping beyond the main window's own fields: the job of
// the account being checked, and workers the watchdog gave up on that have not
// ended yet (kept so that closing the window can wait for them).
#pragma once

#include <memory>
#include <vector>

#include "check/CheckJob.h"
#include "framework/Handles.h"

struct CCheckCycleState {
  std::shared_ptr<CCheckJob> job;
  std::vector<CUniqueHandle> strayThreads;
};
