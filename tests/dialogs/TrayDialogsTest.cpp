// The tray menu's dialogs side by side, each in a loop nested in the one
// before: a dialog chosen again comes up even while an ended one waits for an
// inner loop, and keys go to the dialog they are typed into.
#include <gtest/gtest.h>

#include "DialogScript.h"
#include "StoreTestSupport.h"
#include "app/TidewellApp.h"
#include "framework/CommandIds.h"
#include "res/resource.h"
#include "store/AccountList.h"
#include "store/Settings.h"

namespace {

class TrayDialogsTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    g_pAccountList = new CAccountList();
    g_pSettings = new CSettings();
  }
  void TearDown() override {
    delete g_pSettings;
    g_pSettings = nullptr;
    delete g_pAccountList;
    g_pAccountList = nullptr;
    RegistryTest::TearDown();
  }
  // A tray command chosen while the innermost dialog's loop runs, as a click
  // on the tray menu arrives there.
  void ChooseLater(UINT command) {
    s_pApp = &m_app;
    s_nCommand = command;
    SetTimer(nullptr, 0, 10, Choose);
  }
  static void CALLBACK Choose(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    s_pApp->OnCommand(s_nCommand);
  }
  static void PostKey(HWND window, WPARAM key) { PostMessageA(window, WM_KEYDOWN, key, 0); }

  CTidewellApp m_app;
  static inline CTidewellApp* s_pApp = nullptr;
  static inline UINT s_nCommand = 0;
};

TEST_F(TrayDialogsTest, SettingsChosenAgainComesUpAndEscapeEndsTheDialogItIsTypedInto) {
  HWND first = nullptr, accounts = nullptr, second = nullptr;
  CDialogScript script;
  script
      .When("Settings",
            [&](HWND h) {
              first = h;
              ChooseLater(ID_ACCOUNTS);
            })
      .When("Accounts",
            [&](HWND h) {
              accounts = h;
              // Settings ends, but its loop returns only after the Accounts loop.
              Click(first, IDCANCEL);
              ChooseLater(ID_SETTINGS);
            })
      .When("Settings",
            [&](HWND h) {
              second = h;
              // Typed into Accounts while the new Settings' loop runs.
              PostKey(GetDlgItem(accounts, IDC_ACCOUNTLIST), VK_ESCAPE);
            })
      .Once(
          "Accounts ended", [&] { return !IsWindowVisible(accounts); },
          [&](HWND) { PostKey(GetDlgItem(second, IDC_PERIOD), VK_ESCAPE); });
  m_app.OnCommand(ID_SETTINGS);
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(second && second != first);
  EXPECT_TRUE(raw::Exists("Settings", "AccColumn_0")) << "the list's Escape closes it as Cancel does";
}

}  // namespace
