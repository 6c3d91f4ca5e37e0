// The View Mail window's thread.
#include "viewer/ViewerThread.h"

#include "framework/AppLog.h"
#include "framework/WindowCalls.h"
#include "framework/WorkerThread.h"
#include "viewer/ViewMailDlg.h"

namespace {
// Long enough for the viewer to answer its message boxes and end its loop.
constexpr DWORD kViewerStopWaitMs = 5000;
}  // namespace

CViewerThread::CViewerThread() = default;

CViewerThread::~CViewerThread() = default;

void CViewerThread::Create(CAccountList& accounts, CSettings& settings) {
  m_pViewer = std::make_unique<CViewMailDlg>(accounts, settings);
}

bool CViewerThread::Start(const std::shared_ptr<CWindowCalls>& inbox, std::function<void()> ended) {
  CViewMailDlg* viewer = m_pViewer.get();
  m_hThread = StartWorkerThread(
      [viewer, inbox, ended] {
        viewer->DoModal();
        // Here rather than on the main thread, whose wait for this thread is bounded.
        viewer->EndWorkers();
        inbox->Post(ended);
      },
      [inbox, ended] {
        g_appLog.Append("View Mail ended by an unexpected error");
        inbox->Post(ended);
      });
  if (m_hThread.Valid()) return true;
  g_appLog.Append("Failed to create View Mail thread");
  m_pViewer.reset();
  return false;
}

void CViewerThread::Focus() {
  HWND viewer = m_pViewer ? m_pViewer->hwnd() : nullptr;
  if (viewer) SetForegroundWindow(viewer);
}

void CViewerThread::HandOverServers() {
  if (m_pViewer) m_pViewer->StartFetch();
}

void CViewerThread::Join() {
  // The thread posted its last step; it ends at once.
  if (m_hThread.Valid()) WaitForSingleObject(m_hThread.Get(), INFINITE);
  m_hThread.Reset();
  m_pViewer.reset();
}

bool CViewerThread::Stop() {
  if (!m_pViewer) return false;
  m_pViewer->EndNow();
  if (m_hThread.Valid() && WaitForSingleObject(m_hThread.Get(), kViewerStopWaitMs) != WAIT_OBJECT_0) {
    (void)m_pViewer.release();
    m_hThread.Reset();
    return false;
  }
  m_hThread.Reset();
  m_pViewer.reset();
  return true;
}
