// The benchmarks' clock: wall time in milliseconds from the performance counter.
#pragma once
#include <winsock2.h>
#include <windows.h>

inline double NowMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart * 1000.0 / frequency.QuadPart;
}
