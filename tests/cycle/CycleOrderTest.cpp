// The check cycle in the main window against the run's Dovecot and peers of
// the test: the order of the visits, totals and error flags, and what the
// tray, the log and the timers show after each cycle.
#include <gtest/gtest.h>

#include <string>

#include "CycleHarness.h"
#include "ShellRecorder.h"
#include "TimelinePeer.h"
#include "app/Messages.h"
#include "app/TrayIcon.h"

namespace {

std::string Settled(CAccount* account, int count) {
  return !account->error() && account->currentCount() == count ? "settled" : "pending";
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& t : texts) all += t + " | ";
  return all;
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

  StartWindow();
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

  EXPECT_STREQ(g_trayIcon.tip(), "Tidewell (6 messages)");
  EXPECT_EQ(CShellRecorder::LastTip(), "Tidewell (6 messages)");
  EXPECT_EQ(TrayIconId(), 132);
  std::string title, text;
  ASSERT_TRUE(CShellRecorder::LastBalloon(title, text));
  EXPECT_EQ(title, "Tidewell");
  EXPECT_EQ(text, "You have 6 mail messages");
  // One watchdog per visit, CheckTimeout x 1.5 s; the period timer once, Period x 60 s.
  EXPECT_EQ(CShellRecorder::TimerSets(Window(), IDT_WATCHDOG), 3);
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_WATCHDOG), 15000u);
  EXPECT_EQ(CShellRecorder::LastTimerMs(Window(), IDT_PERIOD), 60000u);
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"Application started"}) << Joined(LogTexts());
}

}  // namespace
