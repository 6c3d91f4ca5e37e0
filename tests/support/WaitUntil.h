// The one polling wait of the tests: for conditions no peer can signal (another
// process's windows, a server's log).
#pragma once

#include <windows.h>

#include <functional>

// Generous on purpose: a loaded machine may take seconds to start a wine process.
constexpr DWORD kWaitMs = 30000;

// Polls the condition until it holds or the time-out passes; true if it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs);
