// One Tidewell per user session. The first start owns a named mutex and a
// message-only window of a class named after the user; a later start finds that
// window, asks the first for attention and ends.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>

#include "framework/Handles.h"

class CSingleInstance {
 public:
  CSingleInstance() = default;
  ~CSingleInstance();
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // True when this process is the session's Tidewell: onAnotherStart then runs
  // on this thread, from its message loops, whenever another start asks for
  // attention. False when another Tidewell runs: it has been asked, and this
  // process should end.
  bool Claim(std::function<void()> onAnotherStart);
  // The program is ending: later starts no longer find this one to ask, and
  // wait for it to end instead (it keeps the mutex until then).
  void StopAnswering();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool TakeMutex(DWORD waitMs);
  void Listen();
  static bool AskFirst(const std::string& className);

  CUniqueHandle m_hMutex;
  bool m_bOwned = false;
  HWND m_hWnd = nullptr;
  bool m_bRegistered = false;
  std::string m_className;
  std::function<void()> m_onAnotherStart;
};
