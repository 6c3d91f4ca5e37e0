// The tray notification that ends a check cycle, decided from the totals and
// the settings alone so that it can be tested without a window or a tray.
#pragma once

#include <string>

enum class NotifySound { None, ExclamationBeep, NewMail };

struct NotifyInput {
  int previousTotal = 0;
  int currentTotal = 0;
  bool wasAllFailed = false;
  bool allFailed = false;
  int failedAccounts = 0;    // active accounts whose check failed in this cycle
  bool noAccount = false;    // the user keeps no account at all, active or not
  bool sound = false;        // Sound setting
  bool balloonHelp = false;  // BalloonHelp setting
  int balloonTimeout = 0;    // BalloonTimeout setting, seconds
  int balloonClick = 0;      // BalloonClick setting; 1 makes the balloon clickable
};

struct NotifyDecision {
  int iconId = 128;  // 128 no mail, 132 mail waiting, 133 error
  std::string tip;
  bool showBalloon = false;   // false: remove any balloon, unless leaveBalloon
  bool leaveBalloon = false;  // a balloon showing stays as it is
  std::string balloonText;
  bool clickable = false;
  unsigned balloonTimerMs = 0;  // 0: no removal timer
  NotifySound sound = NotifySound::None;
};

enum : int { kIconNoMail = 128, kIconMail = 132, kIconError = 133 };

// "<n> <noun>" plus "s" unless n is 1.
std::string CountText(int n, const char* noun);

NotifyDecision DecideNotification(const NotifyInput& in);
