// The guarded thread entry.
#include "framework/WorkerThread.h"

#include <memory>

namespace {

struct WorkerBody {
  std::function<void()> body;
  std::function<void()> recover;
};

DWORD WINAPI GuardedEntry(LPVOID param) {
  std::unique_ptr<WorkerBody> worker(static_cast<WorkerBody*>(param));
  // GCC unwinding through the system's thread start is not safe, and an
  // exception there would end the process.
  try {
    worker->body();
  } catch (...) {
    try {
      if (worker->recover) worker->recover();
    } catch (...) {
      // Out of memory even for the recovery: nothing more can be done here.
    }
  }
  return 0;
}

}  // namespace

CUniqueHandle StartWorkerThread(std::function<void()> body, std::function<void()> recover) {
  auto worker = std::make_unique<WorkerBody>(WorkerBody{std::move(body), std::move(recover)});
  HANDLE thread = CreateThread(nullptr, 0, GuardedEntry, worker.get(), 0, nullptr);
  if (thread) {
    (void)worker.release();  // the thread's own from here
  } else {
    DWORD error = GetLastError();
    worker.reset();
    SetLastError(error);
  }
  return CUniqueHandle(thread);
}
