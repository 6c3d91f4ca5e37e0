// Polling read/write lock: one critical section guards the reader map and the writer.
#include "store/ReadWriteLock.h"

CReadWriteLock::CReadWriteLock() {
  InitializeCriticalSection(&m_guard);
}

CReadWriteLock::~CReadWriteLock() {
  DeleteCriticalSection(&m_guard);
}

void CReadWriteLock::Pause() {
  LeaveCriticalSection(&m_guard);
  Sleep(kPollMs);
  EnterCriticalSection(&m_guard);
}

void CReadWriteLock::LockShared() {
  const DWORD tid = GetCurrentThreadId();
  EnterCriticalSection(&m_guard);
  // Only a writer on another thread keeps a reader out; waiting writers do not.
  while (m_nWriterCount != 0 && m_writerThread != tid) Pause();
  ++m_readers[tid];
  LeaveCriticalSection(&m_guard);
}

void CReadWriteLock::UnlockShared() {
  const DWORD tid = GetCurrentThreadId();
  EnterCriticalSection(&m_guard);
  auto it = m_readers.find(tid);
  if (it != m_readers.end() && --it->second <= 0) m_readers.erase(it);
  LeaveCriticalSection(&m_guard);
}

void CReadWriteLock::LockExclusive() {
  const DWORD tid = GetCurrentThreadId();
  EnterCriticalSection(&m_guard);
  // Our own shared holds are set aside while we wait, so two readers that both
  // upgrade cannot block each other for ever.
  int saved = 0;
  auto it = m_readers.find(tid);
  if (it != m_readers.end()) {
    saved = it->second;
    m_readers.erase(it);
  }
  for (;;) {
    if (m_nWriterCount == 0 && m_readers.empty()) break;
    if (m_nWriterCount > 0 && m_writerThread == tid) break;
    Pause();
  }
  ++m_nWriterCount;
  m_writerThread = tid;
  if (saved > 0) m_readers[tid] = saved;
  LeaveCriticalSection(&m_guard);
}

void CReadWriteLock::UnlockExclusive() {
  EnterCriticalSection(&m_guard);
  --m_nWriterCount;
  LeaveCriticalSection(&m_guard);
}
