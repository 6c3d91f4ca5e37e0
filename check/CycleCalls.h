// CCycleCalls: the main window's own operations that the check cycle uses (the
// counterpart of viewer/ViewerCalls.h). The cycle calls them on the main
// window's thread; a test puts a recording stand-in here.
#pragma once

#include <winsock2.h>
#include <windows.h>

class CCycleCalls {
 public:
  virtual ~CCycleCalls() = default;

  // One-shot timers of the main window (IDT_PERIOD, IDT_WATCHDOG,
  // IDT_BALLOON); each one that fires comes back as CCheckCycle::OnTimer.
  virtual void StartTimer(UINT_PTR id, UINT ms) = 0;
  virtual void StopTimer(UINT_PTR id) = 0;
  // The tray icon: its picture by resource id (kIconNoMail, kIconMail,
  // kIconError), its tooltip, and a balloon (empty title and text remove one).
  virtual void SetTrayIcon(int iconId) = 0;
  virtual void SetTrayTip(const char* text) = 0;
  virtual void ShowBalloon(const char* title, const char* text, bool clickable) = 0;
  // A balloon whose click opens the Accounts dialog.
  virtual void ShowAccountsBalloon(const char* title, const char* text) = 0;
  // Plays a wave file to its end; false when it cannot be played.
  virtual bool PlaySoundFile(const char* file) = 0;
  virtual void Beep(UINT type) = 0;
  // The open View Mail window may use the servers from now on.
  virtual void HandOverServers() = 0;
};
