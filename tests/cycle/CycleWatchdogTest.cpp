// The check cycle's time limits in the main window: the client's own receive
// time-out, the watchdog giving up on a worker that hangs, and a worker that
// finishes just as the watchdog fires.
#include <gtest/gtest.h>

#include <string>

#include "CycleHarness.h"
#include "ScriptedServer.h"
#include "TimelinePeer.h"
#include "WaitUntil.h"
#include "framework/Messages.h"

namespace {

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& t : texts) all += t + " | ";
  return all;
}

// CheckTimeout 4: the client waits 2 s for each reply (and for a whole TLS
// handshake), the watchdog 6 s. A server that never greets, or never answers
// the handshake, ends the worker by the client's time-out, not the watchdog's,
// and the next account is checked after it.
TEST_F(CycleTest, SilentServerFailsByTheReceiveTimeout) {
  SetSetting(CheckTimeout, 4);
  CTimeline timeline;
  CTimelinePeer silent(timeline, "S", CTimelinePeer::Silent), silentTls(timeline, "T", CTimelinePeer::Silent);
  silent.Start();
  silentTls.Start();
  int s = AddAccount("Quiet", silent.Port(), "u", "p");
  int t = AddAccount("QuietTls", silentTls.Port(), "u", "p", true);
  int d = AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());

  EXPECT_TRUE(LogHas("Error getting mail statistics for Quiet from 127.0.0.1: Receive timeout")) << LogDump();
  EXPECT_TRUE(LogHas("Error getting mail statistics for QuietTls from 127.0.0.1: Receive timeout"))
      << LogDump();
  EXPECT_EQ(LogCount("Timeout getting"), 0) << LogDump();
  EXPECT_TRUE(Live(s)->error());
  EXPECT_TRUE(Live(t)->error());
  EXPECT_FALSE(Live(d)->error()) << LogDump();
  EXPECT_EQ(Live(d)->currentCount(), 3);
  EXPECT_EQ(Main().LastTimerMs(IDT_WATCHDOG), 6000u);
  // One account failing is not the error state: the tray shows the total.
  EXPECT_EQ(Main().tip, "Tidewell (3 messages, 2 accounts failed)");
  EXPECT_EQ(TrayIconId(), 132);
}

// A TLS account whose server accepts and then neither answers nor closes. The
// watchdog fires while the worker waits in the handshake, long before the
// client's own time-out: the account is failed, the next one is checked, and
// the interrupted worker ends at once instead of staying blocked. Cycle after
// cycle, no worker is left behind.
TEST_F(CycleTest, WatchdogEndsAWorkerWaitingInATlsHandshake) {
  SetSetting(CheckTimeout, 60);
  CTimeline timeline;
  CTimelinePeer holding(timeline, "T", CTimelinePeer::Hold);
  holding.Start();
  int t = AddAccount("Stuck", holding.Port(), "u", "p", true);
  int d = AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");
  Live(t)->SetCount(4);

  StartCycle();
  for (int cycle = 1; cycle <= 3; ++cycle) {
    if (cycle > 1) TickPeriod();
    ASSERT_TRUE(PumpUntil([&] { return timeline.Count("T open") == cycle; }, 10000)) << cycle;
    PumpFor(300);
    Cycle().OnCheckTimeout();  // as the watchdog's timer would
    ASSERT_TRUE(RunToCycleEnd()) << cycle;
    EXPECT_TRUE(PumpUntil([&] { return !Cycle().WorkersRunning(); }, 5000)) << cycle;
  }

  EXPECT_EQ(LogCount("Timeout getting mail statistics for Stuck from 127.0.0.1"), 3) << LogDump();
  // The stopped workers' own failures are neither logged nor stored.
  EXPECT_EQ(LogCount("Error getting mail statistics for Stuck"), 0) << LogDump();
  EXPECT_TRUE(Live(t)->error());
  EXPECT_EQ(Live(t)->currentCount(), 4);
  EXPECT_EQ(Live(d)->currentCount(), 3);
  EXPECT_EQ(Main().tip, "Tidewell (7 messages, 1 account failed)");
}

// A connect that never completes (the port's queue is full) gives up after the
// reply time-out, before the watchdog: the account fails with the client's
// own reason and the cycle goes on with the next.
TEST_F(CycleTest, HangingConnectFailsByTheReplyTimeout) {
  SetSetting(CheckTimeout, 2);
  CBackloggedPort hanging;
  int h = AddAccount("Hanging", hanging.Port(), "u", "p");
  int d = AddAccount("Dovecot", DovecotPort(), "alice", "alicepw");

  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());

  EXPECT_TRUE(
      LogHas("Error getting mail statistics for Hanging from 127.0.0.1: Failed to connect to 127.0.0.1 "
             "(10060: timed out)"))
      << LogDump();
  EXPECT_EQ(LogCount("Timeout getting mail statistics for Hanging"), 0) << LogDump();
  EXPECT_TRUE(Live(h)->error());
  EXPECT_EQ(Live(d)->currentCount(), 3);
  EXPECT_EQ(Main().tip, "Tidewell (3 messages, 1 account failed)");
  EXPECT_TRUE(PumpUntil([&] { return !Cycle().WorkersRunning(); }, 10000));
}

// The worker has stored its result and posted its message when the watchdog
// fires: the cycle advances once, the account keeps its count, and the next
// account is visited exactly once.
TEST_F(CycleTest, WorkerFinishingAsTheWatchdogFiresAdvancesOnce) {
  CTimeline timeline;
  CTimelinePeer first(timeline, "A"), second(timeline, "B");
  first.Messages(2).Start();
  second.Messages(1).Start();
  int a = AddAccount("First", first.Port(), "u", "p");
  int b = AddAccount("Second", second.Port(), "u", "p");

  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("A open") >= 0; }, 10000));
  // Without pumping, so the worker's step waits in the queue.
  MSG next;
  ASSERT_TRUE(WaitUntil(
      [&] { return PeekMessageA(&next, nullptr, WM_WINDOW_CALLS, WM_WINDOW_CALLS, PM_NOREMOVE) != FALSE; },
      10000));
  ASSERT_EQ(Live(a)->currentCount(), 2);
  Cycle().OnCheckTimeout();
  ASSERT_TRUE(RunToCycleEnd());
  PumpFor(300);

  EXPECT_EQ(LogCount("Timeout getting"), 0) << LogDump();
  EXPECT_FALSE(Live(a)->error());
  EXPECT_EQ(Live(a)->currentCount(), 2);
  EXPECT_EQ(timeline.Count("B open"), 1) << Joined(timeline.Texts());
  EXPECT_EQ(Live(b)->currentCount(), 1);
  EXPECT_EQ(CyclesEnded(), 1);
  EXPECT_EQ(Main().tip, "Tidewell (3 messages)");
}

// The watchdog fires while the worker waits for its STAT answer: the account
// is failed at once, the worker's late result and message change nothing, and
// the next account is visited exactly once.
TEST_F(CycleTest, LateWorkerAfterTheWatchdogIsIgnored) {
  CTimeline timeline;
  CTimelinePeer slow(timeline, "A"), next(timeline, "B");
  slow.Messages(5).DelayReply("STAT", 1500).Start();
  next.Messages(1).Start();
  int a = AddAccount("Slow", slow.Port(), "u", "p");
  int b = AddAccount("Next", next.Port(), "u", "p");

  StartCycle();
  ASSERT_TRUE(PumpUntil([&] { return timeline.Find("A STAT") >= 0; }, 10000));
  Cycle().OnCheckTimeout();
  ASSERT_TRUE(RunToCycleEnd());
  // Let the stopped worker run out and post whatever it would.
  EXPECT_TRUE(timeline.WaitFor("A closed", 10000));
  PumpFor(2500);

  EXPECT_TRUE(LogHas("Timeout getting mail statistics for Slow from 127.0.0.1")) << LogDump();
  EXPECT_EQ(LogCount("Error getting mail statistics for Slow"), 0) << LogDump();
  EXPECT_TRUE(Live(a)->error());
  EXPECT_EQ(Live(a)->currentCount(), 0);
  EXPECT_EQ(timeline.Count("B open"), 1) << Joined(timeline.Texts());
  EXPECT_EQ(Live(b)->currentCount(), 1);
  EXPECT_EQ(CyclesEnded(), 1);
  EXPECT_EQ(Main().tip, "Tidewell (1 message, 1 account failed)");
}

// STAT fails on both tries, and the server never answers the QUIT that ends
// the failed session: the watchdog fires during that QUIT. The failure's
// reason is in the log, once, and the account is failed once, not timed out.
TEST_F(CycleTest, WatchdogDuringTheQuitOfAFailedCheckKeepsItsReason) {
  SetSetting(CheckTimeout, 20);
  CScriptedServer server;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt) server.AcceptNext();
    server.Send("+OK hi\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK\r\n");
    server.ExpectLine().Send("-ERR mailbox locked\r\n");
  }
  server.ExpectLine().Silence(60000).Start();
  int a = AddAccount("Locked", server.Port(), "u", "p");

  StartCycle();
  ASSERT_TRUE(PumpUntil(
      [&] {
        std::vector<std::vector<std::string>> received = server.Received();
        return received.size() == 2 && received[1].size() == 4;  // USER, PASS, STAT, QUIT
      },
      10000));
  Cycle().OnCheckTimeout();
  ASSERT_TRUE(RunToCycleEnd());

  EXPECT_EQ(LogCount("Error getting mail statistics for Locked from 127.0.0.1: -ERR mailbox locked"), 1)
      << LogDump();
  EXPECT_EQ(LogCount("Timeout getting"), 0) << LogDump();
  EXPECT_TRUE(Live(a)->error());
  EXPECT_EQ(CyclesEnded(), 1);
}

}  // namespace
