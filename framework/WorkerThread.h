// The one entry of every worker thread: nothing unwinds out of a thread.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <functional>

#include "framework/Handles.h"

// Runs body on a thread of its own. An exception leaving body is caught on
// that thread and recover runs there instead (to log the failure and tell
// whoever waits for the worker). An empty handle, GetLastError telling why,
// when no thread could be made: neither function runs then.
CUniqueHandle StartWorkerThread(std::function<void()> body, std::function<void()> recover);
