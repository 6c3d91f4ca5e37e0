// Runs the check cycle in the test program as the main window would: a fresh
// registry section, the settings record and account list the program would
// create, the cycle itself over a recording stand-in of the window, and a
// message pump that runs the cycle's steps and its timers as they fall due.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RecordingMainWindow.h"
#include "check/CheckCycle.h"
#include "store/Account.h"
#include "store/Settings.h"

// The cycle with thread starts that fail on request, or whose workers first
// sleep, deaf to any stop (as one stuck in a name look-up).
class CTestCycle : public CCheckCycle {
 public:
  CTestCycle(CAccountList& accounts, CSettings& settings, CCycleCalls& window, int& failures, DWORD& deafMs)
      : CCheckCycle(accounts, settings, window), m_nFailures(failures), m_nDeafMs(deafMs) {}

 protected:
  CUniqueHandle StartThread(std::function<void()> body, std::function<void()> recover) override {
    if (m_nDeafMs > 0) {
      const DWORD deaf = m_nDeafMs;
      body = [deaf, body] {
        Sleep(deaf);
        body();
      };
    }
    if (m_nFailures <= 0) return CCheckCycle::StartThread(std::move(body), std::move(recover));
    --m_nFailures;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return CUniqueHandle();
  }

 private:
  int& m_nFailures;
  DWORD& m_nDeafMs;
};

class CycleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void SetSetting(SettingId id, int value);
  // Adds an account on 127.0.0.1; returns its slot.
  int AddAccount(const char* name, int port, const char* user, const char* password, bool ssl = false);
  // The live record of a slot, the one the cycle's workers write into.
  CAccount* Live(int slot);
  // Changes the stored fields of a slot the way the accounts dialog does.
  void EditAccount(int slot, const std::function<void(CAccount&)>& change);

  // Makes the cycle and starts its first run, as the intro's end does.
  void StartCycle();
  CCheckCycle& Cycle() { return *m_pCycle; }
  CRecordingMainWindow& Main() { return m_main; }
  // The next count worker threads fail to start, as when the process is out
  // of threads or memory.
  void FailNextWorkerThreads(int count) { m_nThreadFailures = count; }
  // Workers started from now on sleep ms first, whatever stops them.
  void DeafWorkers(DWORD ms) { m_nDeafMs = ms; }

  // Runs the thread's messages and the due timers until done() holds or ms
  // pass; true when it held.
  bool PumpUntil(const std::function<bool()>& done, DWORD ms);
  void PumpFor(DWORD ms);
  // Cycles ended so far: each end sets the period timer once.
  int CyclesEnded();
  // Pumps until one more cycle has ended.
  bool RunToCycleEnd(DWORD ms = 20000);
  // The period timer's tick, which starts the next cycle.
  void TickPeriod();

  // Log lines added during this test, without their time stamps.
  std::vector<std::string> LogTexts();
  bool LogHas(const std::string& text);
  std::string LogDump();
  int LogCount(const std::string& prefix);
  // Resource id (128, 132, 133) of the icon the tray shows now, 0 when none.
  int TrayIconId() { return m_main.trayIcon; }

  static int DovecotPort();

 private:
  CRecordingMainWindow m_main;
  std::unique_ptr<CTestCycle> m_pCycle;
  int m_nThreadFailures = 0;
  DWORD m_nDeafMs = 0;
  std::vector<CAccount*> m_live;
  size_t m_nLogStart = 0;
};
