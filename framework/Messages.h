// Private window messages and timer ids of the program's windows, kept below every window
// library so that the shell, the check cycle and the viewer share one list.
#pragma once
#include <winsock2.h>
#include <windows.h>

// To the main window (wParam and lParam 0 unless noted).
constexpr UINT WM_TRAY_NOTIFY = WM_APP;  // the tray icon's callback
// To the hidden window of a CWindowCalls: calls are waiting.
constexpr UINT WM_WINDOW_CALLS = WM_APP + 16;
// To the viewer.
constexpr UINT WM_FETCH_DONE = WM_APP + 12;
constexpr UINT WM_DELETE_DONE = WM_APP + 13;
constexpr UINT WM_VIEWER_END = WM_APP + 15;   // the program is closing: end without deleting

// Timers on the main window.
constexpr UINT_PTR IDT_INTRO = 32769;
constexpr UINT_PTR IDT_PERIOD = 32770;
constexpr UINT_PTR IDT_BALLOON = 32773;
constexpr UINT_PTR IDT_WATCHDOG = 32774;
// On the viewer and the information window.
constexpr UINT_PTR IDT_FETCH = 32771;
constexpr UINT_PTR IDT_FILL = 32772;
