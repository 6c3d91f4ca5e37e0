// The tray notification at the end of a check cycle, as a table of cycles.
#include <gtest/gtest.h>

#include "check/NotifyDecision.h"
#include "framework/Format.h"

namespace {

NotifyInput Cycle(int prev, int cur, bool wasAllFailed = false, bool allFailed = false) {
  NotifyInput in;
  in.previousTotal = prev;
  in.currentTotal = cur;
  in.wasAllFailed = wasAllFailed;
  in.allFailed = allFailed;
  in.sound = true;
  in.balloonHelp = true;
  in.balloonTimeout = 10;
  in.balloonClick = 1;
  return in;
}

struct Row {
  const char* name;
  NotifyInput in;
  int icon;
  const char* tip;
  bool balloon;
  const char* balloonText;
  NotifySound sound;
};

NotifyInput With(NotifyInput in, void (*change)(NotifyInput&)) {
  change(in);
  return in;
}

const Row kRows[] = {
    {"new mail", Cycle(0, 3), 132, "Tidewell (3 messages)", true, "You have 3 mail messages",
     NotifySound::NewMail},
    {"unchanged", Cycle(3, 3), 132, "Tidewell (3 messages)", false, "", NotifySound::None},
    {"fewer", Cycle(3, 1), 132, "Tidewell (1 message)", false, "", NotifySound::None},
    {"one new", Cycle(0, 1), 132, "Tidewell (1 message)", true, "You have 1 mail message",
     NotifySound::NewMail},
    {"all read", Cycle(2, 0), 128, "Tidewell (0 messages)", false, "", NotifySound::None},
    {"first all failed", Cycle(2, 2, false, true), 133, "Tidewell (Error)", false, "",
     NotifySound::ExclamationBeep},
    {"still all failed", Cycle(2, 2, true, true), 133, "Tidewell (Error)", false, "", NotifySound::None},
    // Totals that grew outside a totals pass (a cycle the viewer cut short).
    {"still all failed, total grew", Cycle(2, 4, true, true), 133, "Tidewell (Error)", false, "",
     NotifySound::NewMail},
    {"first all failed, total grew", Cycle(2, 4, false, true), 133, "Tidewell (Error)", false, "",
     NotifySound::ExclamationBeep},
    {"recovered, mail unchanged", Cycle(2, 2, true, false), 132, "Tidewell (2 messages)", true,
     "You have 2 mail messages", NotifySound::None},
    {"recovered, no mail", Cycle(0, 0, true, false), 128, "Tidewell (0 messages)", false, "",
     NotifySound::None},
    {"recovered with new mail", Cycle(2, 4, true, false), 132, "Tidewell (4 messages)", true,
     "You have 4 mail messages", NotifySound::NewMail},
    {"no active account", Cycle(0, 0, false, true), 133, "Tidewell (Error)", false, "",
     NotifySound::ExclamationBeep},
    // Only disabled accounts is the error above; none at all is a first start.
    {"no account at all", With(Cycle(0, 0, false, true), [](NotifyInput& in) { in.noAccount = true; }), 128,
     "Tidewell (No account)", false, "", NotifySound::None},
    {"one of two failed", With(Cycle(0, 3), [](NotifyInput& in) { in.failedAccounts = 1; }), 132,
     "Tidewell (3 messages, 1 account failed)", true, "You have 3 mail messages", NotifySound::NewMail},
    {"balloon help off", With(Cycle(0, 3), [](NotifyInput& in) { in.balloonHelp = false; }), 132,
     "Tidewell (3 messages)", false, "", NotifySound::None},
    {"sound off", With(Cycle(0, 3), [](NotifyInput& in) { in.sound = false; }), 132, "Tidewell (3 messages)",
     true, "You have 3 mail messages", NotifySound::None},
    {"sound off, all failed", With(Cycle(0, 0, false, true), [](NotifyInput& in) { in.sound = false; }), 133,
     "Tidewell (Error)", false, "", NotifySound::None},
};

TEST(NotifyDecision, Table) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    NotifyDecision d = DecideNotification(row.in);
    EXPECT_EQ(d.iconId, row.icon);
    EXPECT_EQ(d.tip, row.tip);
    EXPECT_EQ(d.showBalloon, row.balloon);
    EXPECT_EQ(d.balloonText, row.balloonText);
    EXPECT_EQ(d.sound, row.sound);
    if (!row.balloon) {
      EXPECT_FALSE(d.clickable);
      EXPECT_EQ(d.balloonTimerMs, 0u);
    }
  }
}

// Two all-failed cycles in a row, fed as the account list hands the fail
// state on: the beep sounds once, the error shows both times.
TEST(NotifyDecision, AllFailedTwiceBeepsOnce) {
  bool stored = false;
  int beeps = 0;
  for (int cycle = 0; cycle < 2; ++cycle) {
    NotifyDecision d = DecideNotification(Cycle(1, 1, stored, true));
    stored = true;
    beeps += d.sound == NotifySound::ExclamationBeep;
    EXPECT_EQ(d.iconId, 133);
    EXPECT_EQ(d.tip, "Tidewell (Error)");
  }
  EXPECT_EQ(beeps, 1);
}

TEST(NotifyDecision, BalloonTimerAndClick) {
  struct {
    int timeout, click;
    unsigned timerMs;
    bool clickable;
  } cases[] = {{10, 1, 10000, true}, {0, 1, 0, true}, {5, 0, 5000, false}, {1, 2, 1000, false}};
  for (const auto& c : cases) {
    NotifyInput in = Cycle(0, 3);
    in.balloonTimeout = c.timeout;
    in.balloonClick = c.click;
    NotifyDecision d = DecideNotification(in);
    EXPECT_TRUE(d.showBalloon);
    EXPECT_EQ(d.balloonTimerMs, c.timerMs) << "timeout " << c.timeout;
    EXPECT_EQ(d.clickable, c.clickable) << "click " << c.click;
  }
}

TEST(Format, TextsOfAnyLengthComeOutWhole) {
  std::string longText(5000, 'x');
  std::string line = Format("Error getting mail statistics for %s from %s: %s", "a", "h", longText.c_str());
  EXPECT_EQ(line.size(), 44u + 5000u);
  EXPECT_EQ(line.compare(0, 42, "Error getting mail statistics for a from h"), 0);
  EXPECT_EQ(Format("Timeout getting mail statistics for %s from %s", "Home", "pop.example"),
            "Timeout getting mail statistics for Home from pop.example");
  EXPECT_EQ(Format("%s", ""), "");
}

}  // namespace
