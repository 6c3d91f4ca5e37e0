// Hosts the real main window in the test program: a fresh registry section,
// the settings record and account list the program would create, the window
// itself with its timers and tray icon, and a message pump that runs the check
// cycle exactly as the program's own loop does.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/TidewellDlg.h"
#include "store/Account.h"
#include "store/Settings.h"

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

  // Creates the main window; with ShowIntro 0 its first cycle starts at once.
  void StartWindow();
  HWND Window() const { return m_pDlg->hwnd(); }
  CTidewellDlg& Dlg() { return *m_pDlg; }

  // Runs the window's messages until done() holds or ms pass; true when it held.
  bool PumpUntil(const std::function<bool()>& done, DWORD ms);
  void PumpFor(DWORD ms);
  // Cycles ended so far: each end sets the period timer once.
  int CyclesEnded();
  // Pumps until one more cycle has ended.
  bool RunToCycleEnd(DWORD ms = 20000);
  // The period timer's tick, which starts the next cycle.
  void TickPeriod();
  // True once none of the window's worker threads runs any more, including
  // those the watchdog gave up on.
  bool NoWorkerRunning();

  // Log lines added during this test, without their time stamps.
  std::vector<std::string> LogTexts();
  bool LogHas(const std::string& text);
  std::string LogDump();
  int LogCount(const std::string& prefix);
  // Resource id (128, 132, 133) of the icon the tray shows now, 0 when none.
  int TrayIconId();

  static int DovecotPort();

 private:
  CTidewellDlg* m_pDlg = nullptr;
  std::vector<CAccount*> m_live;
  size_t m_nLogStart = 0;
};
