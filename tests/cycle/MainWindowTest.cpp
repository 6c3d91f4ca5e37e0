// The real main window over the cycle: what a cycle leaves in the tray, the
// close that stops a hanging worker, and the tray menu's loop.
#include <gtest/gtest.h>

#include <memory>

#include "CycleHarness.h"
#include "TimelinePeer.h"
#include "app/TidewellDlg.h"
#include "app/TrayIcon.h"
#include "framework/Messages.h"
#include "res/resource.h"
#include "store/AccountList.h"

namespace {

class MainWindowTest : public CycleTest {
 protected:
  void TearDown() override {
    // As "Exit" does: the close handler stops a running worker first.
    if (m_pDlg && m_pDlg->hwnd()) SendMessageA(m_pDlg->hwnd(), WM_CLOSE, 0, 0);
    m_pDlg.reset();
    g_trayIcon.RemoveIcon();
    CycleTest::TearDown();
  }
  HWND Open() {
    m_pDlg = std::make_unique<CTidewellDlg>(*g_pAccountList, *g_pSettings);
    EXPECT_TRUE(m_pDlg->CreateModeless());
    return m_pDlg->hwnd();
  }

  std::unique_ptr<CTidewellDlg> m_pDlg;
};

// With the intro off the first cycle starts at once; its end shows in the
// tray icon's tooltip and in a balloon that makes no sound of its own.
TEST_F(MainWindowTest, FirstCycleEndsInTheTrayWithASilentBalloon) {
  AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");
  Open();
  ASSERT_TRUE(PumpUntil([] { return std::string(g_trayIcon.tip()) == "Tidewell (3 messages)"; }, 20000))
      << LogDump();
  EXPECT_STREQ(g_trayIcon.balloonText(), "You have 3 mail messages");
  EXPECT_EQ(g_trayIcon.balloonFlags(), static_cast<DWORD>(NIIF_NOSOUND));
}

// Closing the window ("Exit") while a worker hangs in its TLS handshake: the
// close interrupts the worker and waits for it, long before the watchdog.
TEST_F(MainWindowTest, ClosingDuringACheckStopsTheWorker) {
  CTimeline timeline;
  CTimelinePeer stalled(timeline, "T", CTimelinePeer::Silent);
  stalled.Start();
  AddAccount("Stuck", stalled.Port(), "u", "p", true);
  SetSetting(CheckTimeout, 60);  // the client alone would wait 30 s

  HWND window = Open();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("T open") >= 0; }, 10000));
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(timeline.WaitFor("T closed", 5000));
  EXPECT_EQ(LogCount("Timeout getting"), 0) << LogDump();
}

bool g_menuClosed = false;

// A timer dispatched by an open menu's own loop, which it ends.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) {
  g_menuClosed = true;
  EndMenu();
}

// The right-click's menu runs a loop of its own; once it has closed, a message
// waits for the window, without which the next right-click would only close
// the menu instead of opening it.
TEST_F(MainWindowTest, ClosedTrayMenuLeavesAMessageForTheWindow) {
  HWND window = Open();
  // Takes the window's waiting messages; true when one of them was WM_NULL.
  auto takeNull = [&] {
    bool found = false;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
      if (msg.message == WM_NULL)
        found = true;
      else
        DispatchMessageA(&msg);
    return found;
  };
  PumpFor(300);
  takeNull();
  g_menuClosed = false;
  UINT_PTR closer = SetTimer(nullptr, 0, 300, CloseMenu);
  SendMessageA(window, WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_RBUTTONDOWN);
  KillTimer(nullptr, closer);
  ASSERT_TRUE(g_menuClosed) << "the menu did not open";
  EXPECT_TRUE(takeNull());
}

}  // namespace
