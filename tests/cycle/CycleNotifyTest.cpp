// What the tray, the sound and the timers show over several cycles of the main
// window: totals that grow, stay and shrink, every account failing and
// recovering, no active account at all.
#include <gtest/gtest.h>

#include <string>

#include "CycleHarness.h"
#include "LoopbackPort.h"
#include "TimelinePeer.h"
#include "framework/Messages.h"

namespace {

// Dovecot alice (3) and a peer whose count changes between cycles: the
// balloon comes with growth only and is taken down by its timer, or by the
// end of the next cycle; the tooltip follows the
// total, and every cycle sets the period timer again.
TEST_F(CycleTest, TotalsOverCyclesAndThePeriodTimer) {
  SetSetting(Period, 2);
  SetSetting(BalloonTimeout, 60);
  CTimeline timeline;
  CTimelinePeer peer(timeline, "P");
  peer.Messages(2).Start();
  AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");
  AddAccount("Peer", peer.Port(), "u", "p");

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (5 messages)");
  EXPECT_EQ(TrayIconId(), 132);
  CRecordingMainWindow::Balloon b = Main().LastBalloon();
  EXPECT_EQ(b.title, "Tidewell");
  EXPECT_EQ(b.text, "You have 5 mail messages");
  EXPECT_EQ(Main().TimerSets(IDT_BALLOON), 1);
  EXPECT_EQ(Main().LastTimerMs(IDT_BALLOON), 60000u);
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 120000u);

  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (5 messages)");
  b = Main().LastBalloon();
  EXPECT_TRUE(b.title.empty() && b.text.empty()) << b.text;  // unchanged mail: balloon removed
  EXPECT_EQ(Main().TimerSets(IDT_BALLOON), 1);
  EXPECT_FALSE(Main().TimerPending(IDT_BALLOON));

  peer.Messages(0);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (3 messages)");
  EXPECT_TRUE(Main().LastBalloon().text.empty());

  peer.Messages(1);
  SetSetting(BalloonTimeout, 1);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (4 messages)");
  EXPECT_EQ(Main().LastBalloon().text, "You have 4 mail messages");
  EXPECT_TRUE(PumpUntil([&] { return Main().LastBalloon().text.empty(); }, 10000));
  EXPECT_TRUE(Main().LastBalloon().title.empty());

  EXPECT_EQ(CyclesEnded(), 4);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 8);
  EXPECT_EQ(timeline.Count("P open"), 4);
  EXPECT_TRUE(LogTexts().empty()) << LogDump();
}

// One good cycle, two in which every account fails, then recovery with the
// mail unchanged. The exclamation beep sounds once, the error state shows in
// both failed cycles, and the recovered mail gets its balloon but no sound.
TEST_F(CycleTest, AllAccountsFailingTwiceThenRecovering) {
  SetSetting(Sound, 1);
  g_pSettings->SetSoundFile("C:\\sounds\\chime.wav");
  int d = AddAccount("Home", DovecotPort(), "alice", "alicepw");
  int r = AddAccount("Closed", RefusedPort(), "u", "p");

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_FALSE(Live(d)->error());
  EXPECT_TRUE(Live(r)->error());
  EXPECT_EQ(Main().tip, "Tidewell (3 messages, 1 account failed)");
  EXPECT_EQ(TrayIconId(), 132);
  EXPECT_EQ(Main().sounds, std::vector<std::string>{"C:\\sounds\\chime.wav"});
  EXPECT_TRUE(Main().beeps.empty());

  // Moved to a port where nothing listens (a wrong password would do, but
  // Dovecot delays repeated failures by seconds).
  int refused = RefusedPort();
  EditAccount(d, [&](CAccount& a) { a.SetPort(refused); });
  for (int cycle = 0; cycle < 2; ++cycle) {
    TickPeriod();
    ASSERT_TRUE(RunToCycleEnd());
    EXPECT_TRUE(Live(d)->error());
    EXPECT_EQ(Live(d)->currentCount(), 3);  // the last good count stays
    EXPECT_EQ(Main().tip, "Tidewell (Error)") << cycle;
    EXPECT_EQ(TrayIconId(), 133) << cycle;
    EXPECT_TRUE(Main().LastBalloon().text.empty());
  }
  EXPECT_EQ(Main().beeps, std::vector<UINT>{MB_ICONEXCLAMATION});

  EditAccount(d, [](CAccount& a) { a.SetPort(DovecotPort()); });
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_FALSE(Live(d)->error());
  EXPECT_EQ(Main().tip, "Tidewell (3 messages, 1 account failed)");
  EXPECT_EQ(TrayIconId(), 132);
  EXPECT_EQ(Main().LastBalloon().text, "You have 3 mail messages");
  EXPECT_EQ(Main().sounds.size(), 1u);
  EXPECT_EQ(Main().beeps.size(), 1u);

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
  Main().playResult = false;
  AddAccount("Home", DovecotPort(), "alice", "alicepw");
  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().sounds.size(), 1u);
  EXPECT_EQ(Main().beeps, std::vector<UINT>{MB_OK});
}

// No active account (the only one is disabled): the cycle ends at once in
// the error state, and the period timer is set as after any cycle.
// Values edited into the registry by hand: no time-out switched off, and a
// negative period taken as 0 (the next cycle at the timer's first tick).
TEST_F(CycleTest, HandEditedNegativeTimesAreTakenAsTheLeast) {
  SetSetting(Period, -5);
  SetSetting(CheckTimeout, -5);
  AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().LastTimerMs(IDT_WATCHDOG), 1500u);
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 0u);
}

TEST_F(CycleTest, NoActiveAccountShowsTheErrorState) {
  SetSetting(Sound, 1);
  int a = AddAccount("Off", DovecotPort(), "alice", "alicepw");
  EditAccount(a, [](CAccount& account) { account.SetDisabled(true); });

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (Error)");
  EXPECT_EQ(TrayIconId(), 133);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 0);
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 60000u);
  EXPECT_EQ(Main().beeps, std::vector<UINT>{MB_ICONEXCLAMATION});
  EXPECT_EQ(Live(a)->currentCount(), 0);
}

// Period 0 against a server that refuses: each failed cycle in a row waits
// longer, 10 s doubling up to a minute, instead of running again at once; the
// tooltip and log say which account failed and why; a good cycle ends the
// spacing. A period longer than the spacing is kept.
TEST_F(CycleTest, FailedCyclesAreSpacedOutUntilOneSucceeds) {
  SetSetting(Period, 0);
  int closed = AddAccount("Closed", RefusedPort(), "alice", "alicepw");
  StartCycle();
  for (UINT expected : {10000u, 20000u, 40000u, 60000u, 60000u}) {
    ASSERT_TRUE(RunToCycleEnd());
    EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), expected);
    TickPeriod();
  }
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (Error)");
  EXPECT_EQ(
      LogCount("Error getting mail statistics for Closed from 127.0.0.1: Failed to connect to 127.0.0.1 "
               "(10061: connection refused)"),
      6)
      << LogDump();

  // One good account among failing ones: the cycle counts as good.
  AddAccount("Home", DovecotPort(), "alice", "alicepw");
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 0u);
  EXPECT_EQ(Main().tip, "Tidewell (3 messages, 1 account failed)");
  EXPECT_EQ(TrayIconId(), 132);

  EditAccount(closed, [](CAccount& account) { account.SetPort(DovecotPort()); });
  SetSetting(Period, 2);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().tip, "Tidewell (6 messages)");
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 120000u);
}

// "Check Mail Now": a cycle at once when none runs, refused while one runs or
// the viewer is open; the period counts again from the end of that cycle.
TEST_F(CycleTest, CheckNowStartsACycleAtOnceAndThePeriodAfterIt) {
  AddAccount("Home", DovecotPort(), "alice", "alicepw");
  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  ASSERT_TRUE(Main().TimerPending(IDT_PERIOD));
  EXPECT_TRUE(Cycle().CanCheckNow());

  Cycle().CheckNow();
  EXPECT_TRUE(Cycle().checking());
  EXPECT_FALSE(Main().TimerPending(IDT_PERIOD));
  EXPECT_FALSE(Cycle().CanCheckNow());
  Cycle().CheckNow();  // while one runs: nothing more
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(CyclesEnded(), 2);
  EXPECT_TRUE(Main().TimerPending(IDT_PERIOD));
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 60000u);
  PumpFor(500);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 2) << "one check per cycle";

  Cycle().OnViewerOpening();
  EXPECT_FALSE(Cycle().CanCheckNow());
  Cycle().CheckNow();
  EXPECT_FALSE(Cycle().checking());
}

// Without any account the first cycle is no error: the plain icon, and once a
// run a balloon that says where to add one and opens the Accounts dialog. No
// beep; the spacing of failed cycles keeps a period of 0 from spinning.
TEST_F(CycleTest, NoAccountAtAllShowsTheAccountsHintOnce) {
  SetSetting(Sound, 1);
  SetSetting(Period, 0);
  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(TrayIconId(), 128);
  EXPECT_EQ(Main().tip, "Tidewell (No account)");
  ASSERT_EQ(Main().balloons.size(), 1u);
  CRecordingMainWindow::Balloon b = Main().LastBalloon();
  EXPECT_EQ(b.text, "No mail account yet: right-click the icon and choose Accounts to add one");
  EXPECT_TRUE(b.opensAccounts);
  EXPECT_TRUE(Main().beeps.empty());
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 10000u);

  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Main().balloons.size(), 1u) << "the hint stays, and comes once";
  EXPECT_EQ(Main().tip, "Tidewell (No account)");
}

}  // namespace
