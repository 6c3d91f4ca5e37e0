// The viewer hand-over: the View Mail window runs on a thread of its own, a
// running check cycle finishes its account first, and no cycle runs while the
// window is open; its closing starts a fresh one at once.
#include <algorithm>

#include "app/TidewellDlg.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "store/AccountList.h"
#include "store/Settings.h"
#include "viewer/ViewMailDlg.h"

namespace {
// Long enough for the viewer to answer its message boxes and end its loop.
constexpr DWORD kViewerStopWaitMs = 5000;

DWORD WINAPI RunViewer(LPVOID param) {
  CTidewellDlg* main = static_cast<CTidewellDlg*>(param);
  try {
    main->m_pViewer->DoModal();
  } catch (...) {
    g_appLog.Append("View Mail ended by an unexpected error");
  }
  PostMessageA(main->hwnd(), WM_VIEW_CLOSED, 0, 0);
  return 0;
}
}  // namespace

void CTidewellDlg::OpenViewer() {
  if (m_bViewerOpen) {
    HWND viewer = m_pViewer ? m_pViewer->hwnd() : nullptr;
    if (viewer) SetForegroundWindow(viewer);
    return;
  }
  if (!g_pAccountList || !g_pSettings) return;
  KillTimer(hwnd(), IDT_PERIOD);
  m_pViewer = std::make_unique<CViewMailDlg>(*g_pAccountList, *g_pSettings);
  m_bViewerOpen = true;
  if (!m_bChecking) m_pViewer->StartFetch();
  m_hViewerThread.Reset(CreateThread(nullptr, 0, RunViewer, this, 0, nullptr));
  if (m_hViewerThread.Valid()) return;

  // No window after all: checking goes on as before.
  g_appLog.Append("Failed to create View Mail thread");
  m_pViewer.reset();
  m_bViewerOpen = false;
  if (!m_bChecking)
    SetTimer(hwnd(), IDT_PERIOD, static_cast<UINT>(std::max(0, g_pSettings->GetSetting(Period))) * 60000u,
             nullptr);
}

LRESULT CTidewellDlg::OnViewClosed() {
  m_bViewerOpen = false;
  // The thread posted its last message; it ends at once.
  if (m_hViewerThread.Valid()) WaitForSingleObject(m_hViewerThread.Get(), INFINITE);
  m_hViewerThread.Reset();
  m_pViewer.reset();
  if (!m_bChecking) PostMessageA(hwnd(), WM_CHECK_START, 0, 0);
  return 1;
}

void CTidewellDlg::StopViewer() {
  if (!m_pViewer) return;
  m_pViewer->EndNow();
  if (m_hViewerThread.Valid() &&
      WaitForSingleObject(m_hViewerThread.Get(), kViewerStopWaitMs) != WAIT_OBJECT_0) {
    // Still in use by its thread: left to the end of the process rather than freed under it.
    (void)m_pViewer.release();
    m_hViewerThread.Reset();
    return;
  }
  m_hViewerThread.Reset();
  m_pViewer.reset();
  m_bViewerOpen = false;
}
