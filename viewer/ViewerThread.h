// CViewerThread: the View Mail window on a thread of its own, so the tray
// keeps working while it is open. The main window owns one.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>

#include "framework/Handles.h"

class CAccountList;
class CSettings;
class CViewMailDlg;
class CWindowCalls;

class CViewerThread {
 public:
  CViewerThread();
  ~CViewerThread();
  CViewerThread(const CViewerThread&) = delete;
  CViewerThread& operator=(const CViewerThread&) = delete;

  // Makes the window; its fetch waits for HandOverServers.
  void Create(CAccountList& accounts, CSettings& settings);
  // Runs the window's loop on a new thread; once it has returned, ended is
  // posted to inbox. False when the thread cannot start: that is logged and
  // the window goes.
  bool Start(const std::shared_ptr<CWindowCalls>& inbox, std::function<void()> ended);
  bool exists() const { return m_pViewer != nullptr; }
  // Brings the window forward.
  void Focus();
  // Any time after Create: the check cycle has let go of the servers.
  void HandOverServers();
  // After ended: waits for the thread's last step and frees the window.
  void Join();
  // The program is closing: ends the window without deleting anything and
  // waits a while for its thread. False when it did not end in time; the
  // window is then left to the end of the process rather than freed under it.
  bool Stop();

 private:
  std::unique_ptr<CViewMailDlg> m_pViewer;
  CUniqueHandle m_hThread;
};
