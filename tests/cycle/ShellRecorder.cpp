// The recording replacements of the tray, sound and timer calls.
#include "ShellRecorder.h"

#include <mmsystem.h>
#include <shellapi.h>

#include "ImportHook.h"
#include "framework/CriticalSection.h"

namespace {

using NotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
using KillTimerFn = BOOL(WINAPI*)(HWND, UINT_PTR);

struct Records {
  CCriticalSection lock;
  NotifyIconFn realNotifyIcon = nullptr;
  SetTimerFn realSetTimer = nullptr;
  KillTimerFn realKillTimer = nullptr;
  std::vector<TrayCall> tray;
  std::vector<TimerCall> timers;
  std::vector<UINT> beeps;
  std::vector<std::string> sounds;
  BOOL playResult = TRUE;
};

Records& State() {
  static Records records;
  return records;
}

BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAA data) {
  TrayCall call;
  call.message = message;
  call.flags = data->uFlags;
  if (data->uFlags & NIF_ICON) call.icon = data->hIcon;
  if (data->uFlags & NIF_TIP) call.tip = data->szTip;
  if (data->uFlags & NIF_INFO) {
    call.balloonTitle = data->szInfoTitle;
    call.balloonText = data->szInfo;
    call.balloonFlags = data->dwInfoFlags;
  }
  {
    CLock lock(State().lock);
    State().tray.push_back(call);
  }
  // Wine's tray takes seconds to delete an icon; every test's window adds its
  // own, and the shell drops the icons of windows that are gone.
  if (message == NIM_DELETE || !State().realNotifyIcon) return TRUE;
  return State().realNotifyIcon(message, data);
}

UINT_PTR WINAPI RecordSetTimer(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc) {
  {
    CLock lock(State().lock);
    State().timers.push_back({true, window, id, ms});
  }
  return State().realSetTimer(window, id, ms, proc);
}

BOOL WINAPI RecordKillTimer(HWND window, UINT_PTR id) {
  {
    CLock lock(State().lock);
    State().timers.push_back({false, window, id, 0});
  }
  return State().realKillTimer(window, id);
}

BOOL WINAPI RecordMessageBeep(UINT type) {
  CLock lock(State().lock);
  State().beeps.push_back(type);
  return TRUE;
}

BOOL WINAPI RecordPlaySound(LPCSTR sound, HMODULE, DWORD) {
  CLock lock(State().lock);
  State().sounds.push_back(sound ? sound : "");
  return State().playResult;
}

}  // namespace

void CShellRecorder::Install() {
  Records& r = State();
  if (!r.realSetTimer) {
    r.realNotifyIcon = reinterpret_cast<NotifyIconFn>(
        HookImport("shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(RecordNotifyIcon)));
    r.realSetTimer = reinterpret_cast<SetTimerFn>(
        HookImport("user32.dll", "SetTimer", reinterpret_cast<void*>(RecordSetTimer)));
    r.realKillTimer = reinterpret_cast<KillTimerFn>(
        HookImport("user32.dll", "KillTimer", reinterpret_cast<void*>(RecordKillTimer)));
    HookImport("user32.dll", "MessageBeep", reinterpret_cast<void*>(RecordMessageBeep));
    HookImport("winmm.dll", "PlaySoundA", reinterpret_cast<void*>(RecordPlaySound));
  }
  Clear();
}

void CShellRecorder::Clear() {
  CLock lock(State().lock);
  State().tray.clear();
  State().timers.clear();
  State().beeps.clear();
  State().sounds.clear();
  State().playResult = TRUE;
}

std::vector<TrayCall> CShellRecorder::TrayCalls() {
  CLock lock(State().lock);
  return State().tray;
}

std::vector<TimerCall> CShellRecorder::TimerCalls() {
  CLock lock(State().lock);
  return State().timers;
}

std::vector<UINT> CShellRecorder::Beeps() {
  CLock lock(State().lock);
  return State().beeps;
}

std::vector<std::string> CShellRecorder::PlayedSounds() {
  CLock lock(State().lock);
  return State().sounds;
}

void CShellRecorder::SetPlaySoundResult(BOOL result) {
  CLock lock(State().lock);
  State().playResult = result;
}

HICON CShellRecorder::LastIcon() {
  HICON icon = nullptr;
  for (const TrayCall& call : TrayCalls())
    if (call.flags & NIF_ICON) icon = call.icon;
  return icon;
}

std::string CShellRecorder::LastTip() {
  std::string tip;
  for (const TrayCall& call : TrayCalls())
    if (call.flags & NIF_TIP) tip = call.tip;
  return tip;
}

bool CShellRecorder::LastBalloon(std::string& title, std::string& text) {
  bool any = false;
  for (const TrayCall& call : TrayCalls()) {
    if (!(call.flags & NIF_INFO)) continue;
    any = true;
    title = call.balloonTitle;
    text = call.balloonText;
  }
  return any;
}

DWORD CShellRecorder::LastBalloonFlags() {
  DWORD flags = 0;
  for (const TrayCall& call : TrayCalls())
    if (call.flags & NIF_INFO) flags = call.balloonFlags;
  return flags;
}

bool CShellRecorder::TimerPending(HWND window, UINT_PTR id) {
  bool pending = false;
  for (const TimerCall& call : TimerCalls())
    if (call.window == window && call.id == id) pending = call.set;
  return pending;
}

int CShellRecorder::TimerSets(HWND window, UINT_PTR id) {
  int n = 0;
  for (const TimerCall& call : TimerCalls())
    if (call.set && call.window == window && call.id == id) ++n;
  return n;
}

UINT CShellRecorder::LastTimerMs(HWND window, UINT_PTR id) {
  UINT ms = 0;
  for (const TimerCall& call : TimerCalls())
    if (call.set && call.window == window && call.id == id) ms = call.ms;
  return ms;
}
