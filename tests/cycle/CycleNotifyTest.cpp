// What the tray, the sound and the timers show over several cycles of the main
// window: totals that grow, stay and shrink, every account failing and
// recovering, no active account at all.
#include <gtest/gtest.h>

#include <string>

#include "CycleHarness.h"
#include "LoopbackPort.h"
#include "ShellRecorder.h"
#include "TimelinePeer.h"
#include "app/TrayIcon.h"
#include "framework/Messages.h"
#include "res/resource.h"

namespace {

struct Balloon {
  bool any = false;
  std::string title, text;
};

Balloon LastBalloon() {
  Balloon b;
  b.any = CShellRecorder::LastBalloon(b.title, b.text);
  return b;
}

// Dovecot alice (3) and a peer whose count changes between cycles: the
// balloon comes with growth only, makes no sound of its own and is taken
// down by its timer, or by the end of the next cycle; the tooltip follows the
// total, and every cycle sets the period timer again.
TEST_F(CycleTest, TotalsOverCyclesAndThePeriodTimer) {
  SetSetting(Period, 2);
  SetSetting(BalloonTimeout, 60);
  CTimeline timeline;
  CTimelinePeer peer(timeline, "P");
  peer.Messages(2).Start();
  AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");
  AddAccount("Peer", peer.Port(), "u", "p");

  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (5 messages)");
  EXPECT_EQ(TrayIconId(), 132);
  Balloon b = LastBalloon();
  EXPECT_EQ(b.title, "Tidewell");
  EXPECT_EQ(b.text, "You have 5 mail messages");
  EXPECT_EQ(CShellRecorder::LastBalloonFlags(), static_cast<DWORD>(NIIF_NOSOUND));
  EXPECT_EQ(CShellRecorder::TimerSets(Window(), IDT_BALLOON), 1);
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_BALLOON), 60000u);
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_PERIOD), 120000u);

  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (5 messages)");
  b = LastBalloon();
  EXPECT_TRUE(b.title.empty() && b.text.empty()) << b.text;  // unchanged mail: balloon removed
  EXPECT_EQ(CShellRecorder::TimerSets(Window(), IDT_BALLOON), 1);
  EXPECT_FALSE(CShellRecorder::TimerPending(Window(), IDT_BALLOON));

  peer.Messages(0);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (3 messages)");
  EXPECT_TRUE(LastBalloon().text.empty());

  peer.Messages(1);
  SetSetting(BalloonTimeout, 1);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (4 messages)");
  EXPECT_EQ(LastBalloon().text, "You have 4 mail messages");
  EXPECT_TRUE(PumpUntil([] { return LastBalloon().any && LastBalloon().text.empty(); }, 10000));
  EXPECT_TRUE(LastBalloon().title.empty());

  EXPECT_EQ(CyclesEnded(), 4);
  EXPECT_EQ(CShellRecorder::TimerSets(Window(), IDT_WATCHDOG), 8);
  EXPECT_EQ(timeline.Count("P open"), 4);
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"Application started"}) << LogDump();
}

// One good cycle, two in which every account fails, then recovery with the
// mail unchanged. The exclamation beep sounds once, the error state shows in
// both failed cycles, and the recovered mail gets its balloon but no sound.
TEST_F(CycleTest, AllAccountsFailingTwiceThenRecovering) {
  SetSetting(Sound, 1);
  g_pSettings->SetSoundFile("C:\\sounds\\chime.wav");
  int d = AddAccount("Home", DovecotPort(), "alice", "alicepw");
  int r = AddAccount("Closed", RefusedPort(), "u", "p");

  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_FALSE(Live(d)->error());
  EXPECT_TRUE(Live(r)->error());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (3 messages)");
  EXPECT_EQ(TrayIconId(), 132);
  EXPECT_EQ(CShellRecorder::PlayedSounds(), std::vector<std::string>{"C:\\sounds\\chime.wav"});
  EXPECT_TRUE(CShellRecorder::Beeps().empty());

  // Moved to a port where nothing listens (a wrong password would do, but
  // Dovecot delays repeated failures by seconds).
  int refused = RefusedPort();
  EditAccount(d, [&](CAccount& a) { a.SetPort(refused); });
  for (int cycle = 0; cycle < 2; ++cycle) {
    TickPeriod();
    ASSERT_TRUE(RunToCycleEnd());
    EXPECT_TRUE(Live(d)->error());
    EXPECT_EQ(Live(d)->currentCount(), 3);  // the last good count stays
    EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (Error)") << cycle;
    EXPECT_EQ(TrayIconId(), 133) << cycle;
    EXPECT_TRUE(LastBalloon().text.empty());
  }
  EXPECT_EQ(CShellRecorder::Beeps(), std::vector<UINT>{MB_ICONEXCLAMATION});

  EditAccount(d, [](CAccount& a) { a.SetPort(DovecotPort()); });
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_FALSE(Live(d)->error());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (3 messages)");
  EXPECT_EQ(TrayIconId(), 132);
  EXPECT_EQ(LastBalloon().text, "You have 3 mail messages");
  EXPECT_EQ(CShellRecorder::PlayedSounds().size(), 1u);
  EXPECT_EQ(CShellRecorder::Beeps().size(), 1u);

  EXPECT_EQ(LogCount("Error getting mail statistics for Home from 127.0.0.1: Failed to connect to 127.0.0.1"),
            2)
      << LogDump();
  EXPECT_EQ(
      LogCount("Error getting mail statistics for Closed from 127.0.0.1: Failed to connect to 127.0.0.1"), 4)
      << LogDump();
}

// A sound file that cannot be played gives the default beep instead.
TEST_F(CycleTest, UnplayableSoundFileBeeps) {
  SetSetting(Sound, 1);
  g_pSettings->SetSoundFile("C:\\missing.wav");
  CShellRecorder::SetPlaySoundResult(FALSE);
  AddAccount("Home", DovecotPort(), "alice", "alicepw");
  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(CShellRecorder::PlayedSounds().size(), 1u);
  EXPECT_EQ(CShellRecorder::Beeps(), std::vector<UINT>{MB_OK});
}

// No active account (the only one is disabled): the cycle ends at once in
// the error state, and the period timer is set as after any cycle.
// Values edited into the registry by hand: no time-out switched off, and a
// negative period taken as 0 (the next cycle at the timer's first tick).
TEST_F(CycleTest, HandEditedNegativeTimesAreTakenAsTheLeast) {
  SetSetting(Period, -5);
  SetSetting(CheckTimeout, -5);
  AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");

  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_WATCHDOG), 1500u);
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_PERIOD), 0u);
}

TEST_F(CycleTest, NoActiveAccountShowsTheErrorState) {
  SetSetting(Sound, 1);
  int a = AddAccount("Off", DovecotPort(), "alice", "alicepw");
  EditAccount(a, [](CAccount& account) { account.SetDisabled(true); });

  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (Error)");
  EXPECT_EQ(TrayIconId(), 133);
  EXPECT_EQ(CShellRecorder::TimerSets(Window(), IDT_WATCHDOG), 0);
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_PERIOD), 60000u);
  EXPECT_EQ(CShellRecorder::Beeps(), std::vector<UINT>{MB_ICONEXCLAMATION});
  EXPECT_EQ(Live(a)->currentCount(), 0);
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
TEST_F(CycleTest, ClosedTrayMenuLeavesAMessageForTheWindow) {
  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  // Takes the window's waiting messages; true when one of them was WM_NULL.
  auto takeNull = [&] {
    bool found = false;
    MSG msg;
    while (PeekMessageA(&msg, Window(), 0, 0, PM_REMOVE))
      if (msg.message == WM_NULL)
        found = true;
      else
        DispatchMessageA(&msg);
    return found;
  };
  takeNull();
  g_menuClosed = false;
  UINT_PTR closer = SetTimer(nullptr, 0, 300, CloseMenu);
  SendMessageA(Window(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_RBUTTONDOWN);
  KillTimer(nullptr, closer);
  ASSERT_TRUE(g_menuClosed) << "the menu did not open";
  EXPECT_TRUE(takeNull());
}

}  // namespace
