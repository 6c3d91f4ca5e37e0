// The main window: the intro screen at start-up, then a hidden anchor that owns
// the tray icon and the timers, runs the check cycle and opens the viewer.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <memory>

#include "check/CheckCycle.h"
#include "check/CycleCalls.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "viewer/ViewerThread.h"

class CAccountList;
class CSettings;
class CWindowCalls;

class CTidewellDlg : public CDialog, private CCycleCalls {
 public:
  CTidewellDlg(CAccountList& accounts, CSettings& settings);
  ~CTidewellDlg() override;

  // The tray's "View" command: opens the View Mail window, or brings it forward.
  void OpenViewer();
  // The viewer's thread has ended.
  void OnViewClosed();
  // The program is closing: ends an open viewer without deleting anything.
  void StopViewer();
  void StopCheckWorker() { m_cycle.StopCheckWorker(); }
  // After both stops: a thread that did not end within its wait may still
  // read the settings and the account list.
  bool ThreadsLeftRunning() const { return m_bViewerLeft || m_cycle.WorkersRunning(); }
  // The tray's "Check Mail Now".
  void CheckNow() { m_cycle.CheckNow(); }

 protected:
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  void OnClose() override;

 private:
  void OnPaintMinimized();

  // CCycleCalls, for the check cycle.
  void StartTimer(UINT_PTR id, UINT ms) override;
  void StopTimer(UINT_PTR id) override;
  void SetTrayIcon(int iconId) override;
  void SetTrayTip(const char* text) override;
  void ShowBalloon(const char* title, const char* text, bool clickable) override;
  void ShowAccountsBalloon(const char* title, const char* text) override;
  bool PlaySoundFile(const char* file) override;
  void Beep(UINT type) override;
  void HandOverServers() override;

  CAccountList& m_accounts;
  CSettings& m_settings;
  HICON m_hIcon = nullptr;  // shared icons from the resources: not destroyed
  HICON m_hIconMail = nullptr;
  HICON m_hIconError = nullptr;
  CStatic m_webAddress;
  CStatic m_product;
  CStatic m_legal;
  std::shared_ptr<CWindowCalls> m_pInbox;  // the viewer thread's end comes this way
  CViewerThread m_viewer;
  bool m_bViewerLeft = false;  // its thread outlived StopViewer's wait
  CCheckCycle m_cycle;
};

extern CTidewellDlg* g_pMainDlg;
