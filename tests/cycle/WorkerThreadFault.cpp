// CreateThread, failing on request for the check worker only.
#include "WorkerThreadFault.h"

#include <winsock2.h>
#include <windows.h>

#include "ImportHook.h"
#include "check/CheckJob.h"

namespace {

using CreateThreadFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                       LPDWORD);
CreateThreadFn g_realCreateThread = nullptr;
volatile LONG g_nFailures = 0;

HANDLE WINAPI FaultyCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                 LPVOID param, DWORD flags, LPDWORD id) {
  if (start == CheckStatistics && InterlockedCompareExchange(&g_nFailures, 0, 0) > 0) {
    InterlockedDecrement(&g_nFailures);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return g_realCreateThread(security, stack, start, param, flags, id);
}

}  // namespace

void FailNextWorkerThreads(int count) {
  if (!g_realCreateThread)
    g_realCreateThread = reinterpret_cast<CreateThreadFn>(
        HookImport("kernel32.dll", "CreateThread", reinterpret_cast<void*>(FaultyCreateThread)));
  InterlockedExchange(&g_nFailures, count);
}
