// The main window: the intro screen at start-up, then a hidden anchor that owns
// the tray icon, the timers and the check cycle's messages.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"

#include "framework/Handles.h"

class CAccount;
class CViewMailDlg;
struct CCheckCycleState;

class CTidewellDlg : public CDialog {
 public:
  CTidewellDlg();
  ~CTidewellDlg() override;

  // The check cycle (check/CheckCycle.cpp).
  LRESULT OnStartCheck();
  LRESULT OnCheckNext(WPARAM seq);
  LRESULT OnCheckDone();
  void OnCheckTimeout();
  void StopCheckWorker();
  // The viewer hand-over (check/CheckCycle.cpp).
  void OpenViewer();
  LRESULT OnViewClosed();
  // Ends an open viewer without deleting anything (the program is closing).
  void StopViewer();

  // State of the check cycle and the viewer hand-over.
  bool m_bViewerOpen = false;
  bool m_bChecking = false;
  HANDLE m_hWorkerThread = nullptr;
  std::vector<CAccount*> m_checkList;
  int m_nCheckIndex = -1;
  HICON m_hIcon = nullptr;  // shared icons from the resources: not destroyed
  HICON m_hIconMail = nullptr;
  HICON m_hIconError = nullptr;
  DWORD m_nCheckSeq = 0;
  std::unique_ptr<CCheckCycleState> m_pCheckState;  // the check cycle's own bookkeeping
  std::unique_ptr<CViewMailDlg> m_pViewer;
  CUniqueHandle m_hViewerThread;

 protected:
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  void OnClose() override;

 private:
  void OnPaintMinimized();

  CStatic m_webAddress;
  CStatic m_product;
  CStatic m_legal;
};

extern CTidewellDlg* g_pMainDlg;
