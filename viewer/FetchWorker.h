// CFetchWorker: the View Mail fetch, on a thread of its own: every active
// account in turn, the header of every message, one row each (left waiting
// in the core for the window). The clients stay logged in for the deletion.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "viewer/ViewMailCore.h"

class CHeaderWindow;

class CFetchWorker {
 public:
  explicit CFetchWorker(CViewMailCore& core) : m_core(core) {}
  CFetchWorker(const CFetchWorker&) = delete;
  CFetchWorker& operator=(const CFetchWorker&) = delete;

  // The thread's body; the core marks the fetch done afterwards.
  void Run();

 private:
  struct UidTable;

  void FetchAccount(int k);
  void FetchMessage(int k, int index, int count, CPop3Client& client, UidTable& uids,
                    const MessageSizes& sizes, CHeaderWindow* ahead);
  // The "n of m" title: the first of an account and the last always, the
  // others at most ten times a second (the title is not redrawn per message).
  void ProgressTitle(int index, int count, bool last);

  CViewMailCore& m_core;
  DWORD m_dwProgressTitle = 0;  // GetTickCount of the last "n of m" title
  bool m_bProgressShown = false;
};
