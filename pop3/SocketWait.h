// Waiting on a non-blocking socket in short steps against a deadline, so that
// a time-out or an interrupt from another thread is seen within one step.
#pragma once

#include <winsock2.h>
#include <windows.h>

// The longest single wait between two looks at a deadline or an interrupt.
const DWORD kSocketStepMs = 100;

// A span of milliseconds from construction, measured on the tick count as an
// unsigned difference, which survives the count's wrap.
class CDeadline {
 public:
  explicit CDeadline(DWORD spanMs) : m_start(GetTickCount()), m_span(spanMs) {}
  DWORD Left() const {
    DWORD elapsed = GetTickCount() - m_start;
    return elapsed < m_span ? m_span - elapsed : 0;
  }

 private:
  DWORD m_start;
  DWORD m_span;
};

// Waits at most ms, and never longer than one step, for s to become readable
// (or writable); true when it did. A socket select refuses (one already shut
// down, say) is waited for all the same, so a poll around it never spins.
bool WaitSocketStep(SOCKET s, bool forWrite, DWORD ms);
