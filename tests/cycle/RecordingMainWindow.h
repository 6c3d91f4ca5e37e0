// A stand-in for the main window under the check cycle: it records what the
// cycle shows in the tray, the sounds it plays and the timers it sets, and
// gives back each timer once it is due, as the window's timer service would.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "check/CycleCalls.h"

class CRecordingMainWindow : public CCycleCalls {
 public:
  struct TimerCall {
    bool set = false;  // StartTimer, else StopTimer
    UINT_PTR id = 0;
    UINT ms = 0;
  };
  struct Balloon {
    std::string title, text;
    bool clickable = false;
    bool opensAccounts = false;
  };

  void StartTimer(UINT_PTR id, UINT ms) override;
  void StopTimer(UINT_PTR id) override;
  void SetTrayIcon(int iconId) override { trayIcon = iconId; }
  void SetTrayTip(const char* text) override { tip = text; }
  void ShowBalloon(const char* title, const char* text, bool clickable) override;
  void ShowAccountsBalloon(const char* title, const char* text) override;
  bool PlaySoundFile(const char* file) override;
  void Beep(UINT type) override { beeps.push_back(type); }
  void HandOverServers() override { ++handOvers; }

  // The last balloon update (empty texts before any).
  Balloon LastBalloon() const { return balloons.empty() ? Balloon() : balloons.back(); }
  // The timers whose time has come, each once; they are no longer pending.
  std::vector<UINT_PTR> TakeDueTimers();
  bool TimerPending(UINT_PTR id) const { return m_due.count(id) != 0; }
  // How many times the timer was set, and its interval the last time (0: never).
  int TimerSets(UINT_PTR id) const;
  UINT LastTimerMs(UINT_PTR id) const;

  int trayIcon = 0;  // resource id of the icon shown last, 0 before any
  std::string tip;
  std::vector<Balloon> balloons;  // every balloon update; empty texts remove one
  std::vector<UINT> beeps;        // MessageBeep types
  std::vector<std::string> sounds;
  bool playResult = true;  // what playing a sound file reports
  int handOvers = 0;
  std::vector<TimerCall> timers;

 private:
  std::map<UINT_PTR, DWORD> m_due;  // pending timers: tick count when due
};
