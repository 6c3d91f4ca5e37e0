// Helpers for the store tests: a clean program key per test, raw registry access
// that bypasses CRegistryKey, and threads that can be waited for with a bound.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

// Every test starts and ends without HKCU\Software\Venterly\Tidewell and the Run value.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean();
};

namespace raw {
std::string SectionPath(const char* section);  // "Software\Venterly\Tidewell\<section>"
void SetString(const char* section, const char* name, const std::string& text);
void SetBytes(const char* section, const char* name, DWORD type, const void* data, DWORD size);
void SetDword(const char* section, const char* name, DWORD value);
bool Exists(const char* section, const char* name);
DWORD Type(const char* section, const char* name);  // REG_NONE when missing
std::string GetString(const char* section, const char* name);
DWORD GetDword(const char* section, const char* name, DWORD missing = 0xDEADBEEF);
// Section "" means the Run key.
}  // namespace raw

// A Win32 thread running one function. A thread still running 10 s after the
// object goes is terminated, so a deadlocked case fails instead of hanging the run.
class TestThread {
 public:
  explicit TestThread(std::function<void()> body);
  ~TestThread();
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;
  bool Join(DWORD timeoutMs = 10000);

 private:
  static DWORD WINAPI Run(LPVOID self);
  std::function<void()> m_body;
  HANDLE m_hThread = nullptr;
};

// A one-shot signal between threads.
class Gate {
 public:
  Gate() : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Gate() { CloseHandle(m_hEvent); }
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;
  void Open() { SetEvent(m_hEvent); }
  bool Wait(DWORD timeoutMs = 10000) { return WaitForSingleObject(m_hEvent, timeoutMs) == WAIT_OBJECT_0; }
  bool IsOpen() { return Wait(0); }

 private:
  HANDLE m_hEvent;
};

// Gives a blocked thread time to get past a lock it should not get past.
inline void LetOthersRun() {
  Sleep(200);
}

// Every registry change the program makes (value written or deleted, key
// created or deleted) is refused once a given number of them has gone through:
// the registry then stands as if the program had been killed at that point.
// Hooks this program's imports while the object lives.
class CRegistryRefusal {
 public:
  CRegistryRefusal();
  ~CRegistryRefusal();
  CRegistryRefusal(const CRegistryRefusal&) = delete;
  CRegistryRefusal& operator=(const CRegistryRefusal&) = delete;
  // Changes let through from now on (-1: all); how many were asked for since.
  static void Allow(int changes);
  static int Asked();
};
