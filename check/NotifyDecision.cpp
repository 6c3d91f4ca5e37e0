#include "check/NotifyDecision.h"

std::string CountText(int n, const char* noun) {
  std::string text = std::to_string(n) + " " + noun;
  if (n != 1) text += "s";
  return text;
}

static bool BalloonWanted(const NotifyInput& in) {
  if (!in.balloonHelp) return false;
  // Mail that was hidden behind an all-failed cycle is announced again.
  return in.previousTotal < in.currentTotal || (in.wasAllFailed && in.currentTotal > 0);
}

static NotifySound SoundFor(const NotifyInput& in) {
  // Nothing failed without an account: the first start is no reason to beep.
  if (!in.sound || in.noAccount) return NotifySound::None;
  // Beep once when every account has just failed, not on every failed cycle.
  if (in.allFailed && !in.wasAllFailed) return NotifySound::ExclamationBeep;
  // Also in a failed cycle: a total that grew outside a totals pass (a cycle
  // the viewer cut short, an account enabled again) is taken over by this one,
  // so this sound is the only one that mail gets.
  if (in.balloonHelp && in.previousTotal < in.currentTotal) return NotifySound::NewMail;
  return NotifySound::None;
}

NotifyDecision DecideNotification(const NotifyInput& in) {
  NotifyDecision d;
  d.sound = SoundFor(in);
  if (in.noAccount) {
    // Not an error: the accounts hint, if it shows, is left to its own time.
    d.iconId = kIconNoMail;
    d.tip = "Tidewell (No account)";
    d.leaveBalloon = true;
    return d;
  }
  if (in.allFailed) {
    d.iconId = kIconError;
    d.tip = "Tidewell (Error)";
    return d;
  }
  d.iconId = in.currentTotal != 0 ? kIconMail : kIconNoMail;
  d.tip = "Tidewell (" + CountText(in.currentTotal, "message");
  // A failed account's part of the total is its last good count: the tooltip says how many failed.
  if (in.failedAccounts > 0) d.tip += ", " + CountText(in.failedAccounts, "account") + " failed";
  d.tip += ")";
  if (BalloonWanted(in)) {
    d.showBalloon = true;
    d.balloonText = "You have " + CountText(in.currentTotal, "mail message");
    d.clickable = in.balloonClick == 1;
    if (in.balloonTimeout > 0) d.balloonTimerMs = static_cast<unsigned>(in.balloonTimeout) * 1000u;
  }
  return d;
}
