// Calls carried to a window's thread by a message-only window of that thread.
#include "framework/WindowCalls.h"

#include "framework/App.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"

namespace {

const char kClassName[] = "TidewellWindowCalls";

// Nothing may unwind through the window procedure; a call that throws is
// logged and counts as not run.
bool RunGuarded(const std::function<void()>& call) {
  try {
    call();
    return true;
  } catch (...) {
    g_appLog.Append("A window call ended by an unexpected error");
    return false;
  }
}

}  // namespace

CWindowCalls::~CWindowCalls() {
  Close();
}

bool CWindowCalls::Open() {
  WNDCLASSA cls = {};
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = AppInstance();
  cls.lpszClassName = kClassName;
  RegisterClassA(&cls);  // fails harmlessly once the class exists
  HWND window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AppInstance(), this);
  if (!window) {
    Close();
    return false;
  }
  CLock lock(m_lock);
  m_hWnd = window;
  m_nThread = GetCurrentThreadId();
  if (!m_calls.empty()) Nudge();
  return true;
}

void CWindowCalls::Close() {
  HWND window = nullptr;
  {
    CLock lock(m_lock);
    m_bClosed = true;
    for (Call& call : m_calls)
      if (call.state) *call.state = State::Dropped;
    m_calls.clear();
    m_sentDone.WakeAll();
    window = m_hWnd;
    m_hWnd = nullptr;
  }
  // A window whose thread has ended is gone already.
  if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) DestroyWindow(window);
}

bool CWindowCalls::Send(const std::function<void()>& call) {
  State state = State::Waiting;
  {
    CLock lock(m_lock);
    if (m_bClosed) return false;
    if (m_nThread != GetCurrentThreadId()) {
      m_calls.push_back(Call{nullptr, &call, &state});
      Nudge();
      while (state == State::Waiting) m_sentDone.Wait(m_lock);
      return state == State::Done;
    }
  }
  // The window's own thread would wait for itself.
  return RunGuarded(call);
}

bool CWindowCalls::Post(std::function<void()> call) {
  CLock lock(m_lock);
  if (m_bClosed) return false;
  m_calls.push_back(Call{std::move(call), nullptr, nullptr});
  Nudge();
  return true;
}

void CWindowCalls::Nudge() {
  // One message per call: a message lost to a full queue only delays its
  // call until the next one arrives.
  if (m_hWnd) PostMessageA(m_hWnd, WM_WINDOW_CALLS, 0, 0);
}

bool CWindowCalls::Take(Call& call) {
  CLock lock(m_lock);
  if (m_bClosed || m_calls.empty()) return false;
  call = std::move(m_calls.front());
  m_calls.pop_front();
  return true;
}

void CWindowCalls::RunWaiting() {
  // One call at a time off the queue: a call that runs a modal loop (a
  // message box) lets the calls behind it run meanwhile.
  Call call;
  while (Take(call)) {
    if (!call.sent) {
      RunGuarded(call.posted);
      continue;
    }
    bool ran = RunGuarded(*call.sent);
    CLock lock(m_lock);
    *call.state = ran ? State::Done : State::Dropped;
    m_sentDone.WakeAll();
  }
}

LRESULT CALLBACK CWindowCalls::WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (msg == WM_WINDOW_CALLS) {
    auto* self = reinterpret_cast<CWindowCalls*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self) self->RunWaiting();
    return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}
