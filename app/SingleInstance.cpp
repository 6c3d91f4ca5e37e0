// The single-instance guard.
#include "app/SingleInstance.h"

#include "framework/App.h"

namespace {

// Sent by a later start to the first one's window.
constexpr UINT WM_ANOTHER_START = WM_APP + 1;
// A first start is still starting (or just ending) for at most this long.
constexpr DWORD kFindFirstMs = 10000;

// Names are per user, so that another user's Tidewell in the same session
// (started with "Run as") does not count.
std::string UserName() {
  char name[257] = {};
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? std::string(name) : std::string("unknown");
}

}  // namespace

CSingleInstance::~CSingleInstance() {
  StopAnswering();
  if (m_bOwned) ReleaseMutex(m_hMutex.Get());
}

void CSingleInstance::StopAnswering() {
  if (m_hWnd) DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  if (m_bRegistered) UnregisterClassA(m_className.c_str(), AppInstance());
  m_bRegistered = false;
}

bool CSingleInstance::Claim(std::function<void()> onAnotherStart) {
  m_onAnotherStart = std::move(onAnotherStart);
  const std::string user = UserName();
  m_className = "Venterly.Tidewell.Running." + user;
  m_hMutex.Reset(CreateMutexA(nullptr, FALSE, ("Local\\Venterly-Tidewell-" + user).c_str()));
  // Without a mutex nothing can be told apart: run rather than not at all.
  if (!m_hMutex.Valid() || TakeMutex(0)) {
    Listen();
    return true;
  }
  // Owned elsewhere. The owner's window comes right after its mutex; a first
  // start that is ending gives the mutex up, and this one carries on instead.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kFindFirstMs) {
    if (AskFirst(m_className)) return false;
    if (TakeMutex(100)) {
      Listen();
      return true;
    }
  }
  return false;
}

bool CSingleInstance::TakeMutex(DWORD waitMs) {
  // An abandoned mutex (its owner crashed) is ours all the same.
  const DWORD got = WaitForSingleObject(m_hMutex.Get(), waitMs);
  m_bOwned = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
  return m_bOwned;
}

bool CSingleInstance::AskFirst(const std::string& className) {
  HWND first = FindWindowExA(HWND_MESSAGE, nullptr, className.c_str(), nullptr);
  if (!first) return false;
  // So that whatever the first one shows may come to the front.
  DWORD pid = 0;
  GetWindowThreadProcessId(first, &pid);
  AllowSetForegroundWindow(pid);
  return PostMessageA(first, WM_ANOTHER_START, 0, 0) != FALSE;
}

void CSingleInstance::Listen() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = AppInstance();
  wc.lpszClassName = m_className.c_str();
  m_bRegistered = RegisterClassA(&wc) != 0;
  if (!m_bRegistered) return;
  m_hWnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
}

LRESULT CALLBACK CSingleInstance::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<CSingleInstance*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_ANOTHER_START && self && self->m_onAnotherStart) {
    // Exceptions must not unwind through the system's frames.
    try {
      self->m_onAnotherStart();
    } catch (...) {
    }
    return 0;
  }
  if (msg == WM_NCDESTROY && self) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
