// Watches what the program tells the shell, the sound system and the timer
// service: every tray icon update, beep, played sound and main-window timer.
// The calls still reach Windows (sounds excepted: they are only recorded).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

struct TrayCall {
  DWORD message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
  UINT flags = 0;     // which of the fields below the call set
  HICON icon = nullptr;
  std::string tip;
  std::string balloonTitle;
  std::string balloonText;
  DWORD balloonFlags = 0;  // NIIF_ flags
};

struct TimerCall {
  bool set = false;  // SetTimer, else KillTimer
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT ms = 0;
};

class CShellRecorder {
 public:
  // Hooks the imports once per process; later calls only clear the records.
  static void Install();
  static void Clear();

  static std::vector<TrayCall> TrayCalls();
  static std::vector<TimerCall> TimerCalls();
  static std::vector<UINT> Beeps();                // MessageBeep types
  static std::vector<std::string> PlayedSounds();  // PlaySoundA file names
  // What PlaySoundA reports back to the program.
  static void SetPlaySoundResult(BOOL result);

  // The last tray update that set one of these fields.
  static HICON LastIcon();
  static std::string LastTip();
  // Title and text of the last balloon update; both empty when it was removed.
  static bool LastBalloon(std::string& title, std::string& text);
  // Balloon flags of the last balloon update.
  static DWORD LastBalloonFlags();
  // Set and not killed since.
  static bool TimerPending(HWND window, UINT_PTR id);
  // How many times a timer was set on the window with this id.
  static int TimerSets(HWND window, UINT_PTR id);
  // The interval of the last time it was set, 0 when never.
  static UINT LastTimerMs(HWND window, UINT_PTR id);
};
