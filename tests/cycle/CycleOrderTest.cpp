// The check cycle in the main window against the run's Dovecot and peers of
// the test: the order of the visits, totals and error flags, and what the
// tray, the log and the timers show after each cycle.
#include <gtest/gtest.h>

#include <string>

#include "CycleHarness.h"
#include "TimelinePeer.h"
#include "framework/Messages.h"

namespace {

std::string Settled(CAccount* account, int count) {
  return !account->error() && account->currentCount() == count ? "settled" : "pending";
}

// A: peer with 2 messages that holds its STAT answer back; D: Dovecot alice
// (3); B: peer with 1 message. Each visit must begin only after the one
// before it has ended: while A waits for its STAT answer, D has not been
// checked; when B is opened, D already has its count.
TEST_F(CycleTest, AccountsVisitedStrictlyOneAfterAnother) {
  CTimeline timeline;
  CTimelinePeer peerA(timeline, "A"), peerB(timeline, "B");
  peerA.Messages(2).DelayReply("STAT", 400).Start();
  peerB.Messages(1).Start();
  AddAccount("First", peerA.Port(), "u", "p");
  int d = AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");
  AddAccount("Last", peerB.Port(), "u", "p");
  Live(d)->SetError();  // "settled" below means the cycle has written its count
  timeline.SetProbe([&] { return Settled(Live(d), 3); });

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());

  std::vector<CTimeline::Event> events = timeline.Events();
  std::vector<std::string> expected = {"A open", "A USER", "A PASS", "A STAT", "A QUIT", "A closed",
                                       "B open", "B USER", "B PASS", "B STAT", "B QUIT", "B closed"};
  ASSERT_EQ(timeline.Texts(), expected);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(events[i].probe, "pending") << events[i].text;
  for (int i = 6; i < 12; ++i) EXPECT_EQ(events[i].probe, "settled") << events[i].text;

  EXPECT_EQ(Live(0)->currentCount(), 2);
  EXPECT_EQ(Live(d)->currentCount(), 3);
  EXPECT_EQ(Live(2)->currentCount(), 1);
  for (int slot = 0; slot < 3; ++slot) EXPECT_FALSE(Live(slot)->error()) << slot;

  EXPECT_EQ(Main().tip, "Tidewell (6 messages)");
  EXPECT_EQ(Main().tip, "Tidewell (6 messages)");
  EXPECT_EQ(TrayIconId(), 132);
  ASSERT_FALSE(Main().balloons.empty());
  EXPECT_EQ(Main().balloons.back().title, "Tidewell");
  EXPECT_EQ(Main().balloons.back().text, "You have 6 mail messages");
  // One watchdog per visit, CheckTimeout x 1.5 s; the period timer once, Period x 60 s.
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 3);
  EXPECT_EQ(Main().LastTimerMs(IDT_WATCHDOG), 15000u);
  EXPECT_EQ(Main().LastTimerMs(IDT_PERIOD), 60000u);
  EXPECT_TRUE(LogTexts().empty()) << LogDump();
}

// A start while a cycle runs (a period tick, or the viewer closing, just as
// the cycle began) leaves that cycle alone: each account is visited once and
// the cycle ends once.
TEST_F(CycleTest, StartDuringACycleStartsNoSecond) {
  CTimeline timeline;
  CTimelinePeer first(timeline, "A"), second(timeline, "B");
  first.Messages(2).DelayReply("STAT", 300).Start();
  second.Messages(1).Start();
  AddAccount("First", first.Port(), "u", "p");
  AddAccount("Second", second.Port(), "u", "p");

  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("A open") >= 0; }, 10000));
  Cycle().PostStart();
  ASSERT_TRUE(RunToCycleEnd());
  PumpFor(300);

  EXPECT_EQ(timeline.Count("A open"), 1);
  EXPECT_EQ(timeline.Count("B open"), 1);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 2);
  EXPECT_EQ(CyclesEnded(), 1);
  EXPECT_EQ(Main().tip, "Tidewell (3 messages)");
}

// The accounts dialog disables the second account while the first is being
// checked: the running cycle still visits it (its snapshot was taken at the
// start), but the totals count active accounts only, and the next cycle leaves
// it out.
TEST_F(CycleTest, AccountDisabledMidCycleIsStillVisited) {
  CTimeline timeline;
  CTimelinePeer first(timeline, "A");
  first.Messages(2).DelayReply("STAT", 300).Start();
  AddAccount("First", first.Port(), "u", "p");
  int d = AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");
  Live(d)->SetError();

  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("A open") >= 0; }, 10000));
  EditAccount(d, [](CAccount& a) { a.SetDisabled(true); });
  ASSERT_TRUE(RunToCycleEnd());

  EXPECT_FALSE(Live(d)->error()) << LogDump();
  EXPECT_EQ(Live(d)->currentCount(), 3);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 2);
  EXPECT_EQ(Main().tip, "Tidewell (2 messages)");

  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Cycle().checkList().size(), 1u);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 3);
  EXPECT_EQ(timeline.Count("A open"), 2);
}

// A worker thread that cannot be created is logged, and the cycle goes on
// with the next account, ends, and sets the period timer.
TEST_F(CycleTest, WorkerThatCannotStartIsLoggedAndSkipped) {
  CTimeline timeline;
  CTimelinePeer second(timeline, "B");
  second.Messages(1).Start();
  int a = AddAccount("First", DovecotPort(), "alice", "alicepw");
  int b = AddAccount("Second", second.Port(), "u", "p");
  FailNextWorkerThreads(1);

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_TRUE(LogHas("Failed to create CheckStatistics thread for First")) << LogDump();
  EXPECT_EQ(Live(a)->currentCount(), 0);
  EXPECT_EQ(Live(b)->currentCount(), 1);
  EXPECT_EQ(timeline.Count("B open"), 1);
  EXPECT_EQ(Main().TimerSets(IDT_WATCHDOG), 1);
  EXPECT_EQ(Main().tip, "Tidewell (1 message)");

  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(Live(a)->currentCount(), 3);
}

// A worker that does not end within the stop's wait (stuck where no stop
// reaches it) is reported as still running, so the program does not free the
// accounts and settings under it; once it has ended, it is not.
TEST_F(CycleTest, StopReportsAWorkerThatOutlivesItsWait) {
  AddAccount("Deaf", DovecotPort(), "alice", "alicepw");
  DeafWorkers(6000);
  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return Main().TimerSets(IDT_WATCHDOG) == 1; }, 10000));
  Cycle().StopCheckWorker();
  EXPECT_TRUE(Cycle().WorkersRunning());
  EXPECT_TRUE(PumpUntil([&] { return !Cycle().WorkersRunning(); }, 20000));
}

// Stopping the cycle ("Exit") while a worker hangs in its TLS handshake:
// the stop interrupts the worker and waits for it, long before the watchdog.
TEST_F(CycleTest, StoppingDuringACheckStopsTheWorker) {
  CTimeline timeline;
  CTimelinePeer stalled(timeline, "T", CTimelinePeer::Silent);
  stalled.Start();
  AddAccount("Stuck", stalled.Port(), "u", "p", true);

  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("T open") >= 0; }, 10000));
  ASSERT_TRUE(Cycle().WorkersRunning());
  Cycle().StopCheckWorker();
  EXPECT_FALSE(Cycle().WorkersRunning());
  EXPECT_FALSE(Cycle().checking());
  EXPECT_FALSE(Main().TimerPending(IDT_WATCHDOG));
  EXPECT_TRUE(timeline.WaitFor("T closed", 5000));
  EXPECT_EQ(LogCount("Timeout getting"), 0) << LogDump();
}

// The View Mail window opens while the first account is being checked: the
// cycle ends after that account and only then hands the servers over,
// without notifying or setting the period timer; no cycle starts while the
// window is open, and its closing starts a fresh one at once. A window that
// opens between cycles has the servers at once.
TEST_F(CycleTest, ViewerOpeningMidCycleEndsItAfterTheCurrentAccount) {
  CTimeline timeline;
  CTimelinePeer first(timeline, "A"), second(timeline, "B");
  first.Messages(2).DelayReply("STAT", 300).Start();
  second.Messages(1).Start();
  int a = AddAccount("First", first.Port(), "u", "p");
  AddAccount("Second", second.Port(), "u", "p");

  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("A open") >= 0; }, 10000));
  Cycle().OnViewerOpening();
  EXPECT_EQ(Main().handOvers, 0);
  ASSERT_TRUE(PumpUntil([&] { return !Cycle().checking(); }, 10000));
  EXPECT_EQ(Main().handOvers, 1);
  EXPECT_EQ(Live(a)->currentCount(), 2);
  TickPeriod();
  PumpFor(300);
  EXPECT_FALSE(Cycle().checking());
  EXPECT_EQ(timeline.Count("B open"), 0);
  EXPECT_EQ(CyclesEnded(), 0);
  EXPECT_TRUE(Main().tip.empty());

  Cycle().OnViewClosed();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_FALSE(Cycle().viewerOpen());
  EXPECT_EQ(timeline.Count("A open"), 2);
  EXPECT_EQ(timeline.Count("B open"), 1);
  EXPECT_EQ(Main().tip, "Tidewell (3 messages)");

  Cycle().OnViewerOpening();
  EXPECT_EQ(Main().handOvers, 2);
  EXPECT_FALSE(Main().TimerPending(IDT_PERIOD));
}

}  // namespace
