// CWindowCalls: the one way from a worker thread to a window's thread. The
// window's thread opens it; any thread then runs a call there and waits for
// it (Send), or leaves the call there and goes on (Post).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <deque>
#include <functional>

#include "framework/CriticalSection.h"

class CWindowCalls {
 public:
  CWindowCalls() = default;
  ~CWindowCalls();  // closes
  CWindowCalls(const CWindowCalls&) = delete;
  CWindowCalls& operator=(const CWindowCalls&) = delete;

  // On the window's thread: calls run on this thread from now on, in the order
  // given, from its message loop (modal loops included); calls posted before
  // run then. False, and closed, when the thread cannot take calls.
  bool Open();
  // On the window's thread, or once it has ended: the calls still waiting are
  // dropped and later ones refused, so no worker waits on a window that is gone.
  void Close();

  // Any thread: runs call on the window's thread (at once when that is this
  // one) and returns when it has run; false when it did not run.
  bool Send(const std::function<void()>& call);
  // Any thread: leaves call for the window's thread; false when closed.
  bool Post(std::function<void()> call);

 private:
  enum class State { Waiting, Done, Dropped };
  struct Call {
    std::function<void()> posted;
    const std::function<void()>* sent;  // the sender's, who waits on state
    State* state;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  void RunWaiting();
  bool Take(Call& call);
  void Nudge();

  CCriticalSection m_lock;
  CConditionVariable m_sentDone;
  std::deque<Call> m_calls;
  HWND m_hWnd = nullptr;  // message-only window of the opening thread
  DWORD m_nThread = 0;
  bool m_bClosed = false;
};
