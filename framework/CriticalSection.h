// The one lock type: a critical section, the scoped guard that holds it, and
// the condition a thread can wait for under it. Hold it only while copying
// shared state, never across a send or a network call.
#pragma once
#include <winsock2.h>
#include <windows.h>

class CCriticalSection {
 public:
  CCriticalSection() { InitializeCriticalSection(&m_cs); }
  ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  void Enter() { EnterCriticalSection(&m_cs); }
  void Leave() { LeaveCriticalSection(&m_cs); }

 private:
  friend class CConditionVariable;
  CRITICAL_SECTION m_cs;
};

// Holds a critical section for the life of the guard.
class CLock {
 public:
  explicit CLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
  ~CLock() { m_cs.Leave(); }
  CLock(const CLock&) = delete;
  CLock& operator=(const CLock&) = delete;

 private:
  CCriticalSection& m_cs;
};

// A condition that threads wait for while holding a critical section.
class CConditionVariable {
 public:
  CConditionVariable() { InitializeConditionVariable(&m_cv); }
  CConditionVariable(const CConditionVariable&) = delete;
  CConditionVariable& operator=(const CConditionVariable&) = delete;

  // Leaves cs while waiting and holds it again on return; a return may come
  // without a wake, so the caller tests its condition again.
  void Wait(CCriticalSection& cs) { SleepConditionVariableCS(&m_cv, &cs.m_cs, INFINITE); }
  void WakeAll() { WakeAllConditionVariable(&m_cv); }

 private:
  CONDITION_VARIABLE m_cv;
};
