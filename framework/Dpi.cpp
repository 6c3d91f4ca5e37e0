// Sizes at any screen scale: the DPI of a window, on every Windows the program runs on.
#include "framework/Dpi.h"

namespace {
// The per-window and per-monitor functions are newer than the oldest Windows
// the program runs on, so they are looked up rather than imported. The casts go
// through a plain function pointer type, which GCC accepts without a warning.
template <typename Function>
Function Lookup(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (!handle) handle = LoadLibraryA(module);  // kept for the life of the process
  FARPROC proc = handle ? GetProcAddress(handle, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
// GetDpiForMonitor's monitor DPI kind 0 is the effective DPI, the one windows are scaled to.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

int MonitorDpi(HWND window) {
  static const GetDpiForMonitorFn getDpiForMonitor =
      Lookup<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (!getDpiForMonitor) return 0;
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  return SUCCEEDED(getDpiForMonitor(monitor, 0, &x, &y)) ? static_cast<int>(y) : 0;
}
}  // namespace

int PictureScale(int dpi) {
  // Half way between the drawn sizes, a little towards the smaller one.
  if (dpi < 132) return 100;
  if (dpi < 180) return 150;
  return 200;
}

UINT PictureForDpi(int dpi, UINT at100, UINT at150, UINT at200) {
  switch (PictureScale(dpi)) {
    case 100:
      return at100;
    case 150:
      return at150;
    default:
      return at200;
  }
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND window) {
  static const GetDpiForWindowFn getDpiForWindow = Lookup<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
  int dpi = 0;
  if (getDpiForWindow && window) dpi = static_cast<int>(getDpiForWindow(window));
  if (dpi <= 0 && window) dpi = MonitorDpi(window);
  return dpi > 0 ? dpi : SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
  static const GetSystemMetricsForDpiFn forDpi =
      Lookup<GetSystemMetricsForDpiFn>("user32.dll", "GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
  // Older Windows knows the metrics at the system DPI only.
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

bool GetNonClientMetrics(NONCLIENTMETRICSW& metrics, int& dpi) {
  static const SystemParametersInfoForDpiFn forDpi =
      Lookup<SystemParametersInfoForDpiFn>("user32.dll", "SystemParametersInfoForDpi");
  ZeroMemory(&metrics, sizeof metrics);
  metrics.cbSize = sizeof metrics;
  dpi = kDesignDpi;
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, kDesignDpi)) return true;
  dpi = SystemDpi();
  return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != FALSE;
}

bool DialogsFollowDpi() {
  // Came with the dialog scaling it controls.
  static const bool follow = Lookup<FARPROC>("user32.dll", "GetDialogDpiChangeBehavior") != nullptr;
  return follow;
}
