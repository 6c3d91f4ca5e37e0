// Re-entrant shared/exclusive lock that polls every 10 ms, and its two scoped guards.
// A writer may also read, and a reader may upgrade without deadlocking another upgrading reader.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>

#include "framework/CriticalSection.h"

class CReadWriteLock {
 public:
  CReadWriteLock() = default;
  CReadWriteLock(const CReadWriteLock&) = delete;
  CReadWriteLock& operator=(const CReadWriteLock&) = delete;

  void LockShared();
  void UnlockShared();
  void LockExclusive();
  void UnlockExclusive();

 private:
  static const DWORD kPollMs = 10;

  // Leaves the guard for one polling interval; never sleep while holding it.
  void Pause();

  CCriticalSection m_guard;
  std::map<DWORD, int> m_readers;  // thread id -> shared holds not yet given back
  DWORD m_writerThread = 0;        // meaningful only while m_nWriterCount > 0
  int m_nWriterCount = 0;
};

// Shared hold for the life of the guard.
class CReadLock {
 public:
  explicit CReadLock(CReadWriteLock& lock) : m_pLock(&lock) { m_pLock->LockShared(); }
  ~CReadLock() { m_pLock->UnlockShared(); }
  CReadLock(const CReadLock&) = delete;
  CReadLock& operator=(const CReadLock&) = delete;

 private:
  CReadWriteLock* m_pLock;
};

// Exclusive hold for the life of the guard.
class CWriteLock {
 public:
  explicit CWriteLock(CReadWriteLock& lock) : m_pLock(&lock) { m_pLock->LockExclusive(); }
  ~CWriteLock() { m_pLock->UnlockExclusive(); }
  CWriteLock(const CWriteLock&) = delete;
  CWriteLock& operator=(const CWriteLock&) = delete;

 private:
  CReadWriteLock* m_pLock;
};
