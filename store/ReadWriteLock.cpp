// Polling read/write lock: one critical section guards the reader map and the writer.
#include "store/ReadWriteLock.h"

void CReadWriteLock::Pause() {
  m_guard.Leave();
  Sleep(kPollMs);
  m_guard.Enter();
}

void CReadWriteLock::LockShared() {
  const DWORD tid = GetCurrentThreadId();
  CLock guard(m_guard);
  // Only a writer on another thread keeps a reader out; waiting writers do not.
  while (m_nWriterCount != 0 && m_writerThread != tid) Pause();
  ++m_readers[tid];
}

void CReadWriteLock::UnlockShared() {
  const DWORD tid = GetCurrentThreadId();
  CLock guard(m_guard);
  auto it = m_readers.find(tid);
  if (it != m_readers.end() && --it->second <= 0) m_readers.erase(it);
}

void CReadWriteLock::LockExclusive() {
  const DWORD tid = GetCurrentThreadId();
  CLock guard(m_guard);
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
}

void CReadWriteLock::UnlockExclusive() {
  CLock guard(m_guard);
  --m_nWriterCount;
}
