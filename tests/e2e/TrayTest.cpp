// The tray as a new user meets it: a first start without an account, a check
// asked for from the menu, an account that fails beside one that works, and
// the Run-at-login value of a start with the option off.
#include <winsock2.h>
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "LoopbackPort.h"
#include "ScriptedServer.h"  // EnvInt
#include "framework/Messages.h"
#include "res/resource.h"
#include "store/Account.h"
#include "store/AccountList.h"
#include "store/RegistryKey.h"

namespace {

const char kHint[] = "No mail account yet: right-click the icon and choose Accounts to add one";

class TrayE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    SetSettingDword("ShowIntro", 0);
  }
  void TearDown() override {
    DeleteProgramKey();
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
      RegDeleteValueA(run, kRunValueName);
      RegCloseKey(run);
    }
  }
  static void AddAccount(const char* name, int port) {
    CAccountList list;
    CAccount account;
    account.SetName(name);
    account.SetHost("127.0.0.1");
    account.SetPort(port);
    account.SetUser("alice");
    account.SetPassword("alicepw");
    ASSERT_GE(list.Add(account), 0);
  }
  HWND Start() {
    EXPECT_TRUE(m_app.Launch(TidewellExe()));
    HWND main = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (main = m_app.MainWindow()) != nullptr; }));
    return main;
  }
  static bool Shows(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  // The log's text as its window shows it when opened now.
  std::string LogText(HWND main) {
    PostCommand(main, ID_LOG);
    HWND log = nullptr;
    if (!WaitUntil([&] { return (log = m_app.FindTopWindow("#32770", "Application Log")) != nullptr; }))
      return std::string();
    std::string text = ItemText(log, IDC_LOGTEXT);
    PostMessageA(log, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !IsWindow(log); });
    return text;
  }
  void Exit(HWND main) {
    PostCommand(main, ID_APP_EXIT);
    DWORD code = 1;
    EXPECT_TRUE(m_app.WaitForExit(code));
  }

  CAppProcess m_app;
};

size_t Count(const std::string& text, const std::string& line) {
  size_t n = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
  return n;
}

// No account and the option off: no error state and no empty startup entry;
// a balloon says where to add an account, and a click on it opens the list.
TEST_F(TrayE2E, FirstStartWithoutAnAccountPointsToAccounts) {
  HKEY run = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE,
                                           nullptr, &run, nullptr));
  RegSetValueExA(run, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  RegCloseKey(run);

  HWND main = Start();
  ASSERT_TRUE(main);
  EXPECT_TRUE(WaitUntil([] { return Shows(TrayBalloons(), kHint); }));
  EXPECT_TRUE(Shows(TrayTooltips(), "Tidewell (No account)"));
  EXPECT_FALSE(Shows(TrayTooltips(), "Tidewell (Error)"));
  EXPECT_NE(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, RRF_RT_ANY, nullptr,
                                        nullptr, nullptr))
      << "the Run value is deleted when the option is off";

  PostTrayMouse(main, IDR_TRAYMENU, WM_TRAY_NOTIFY, NIN_BALLOONUSERCLICK);
  HWND accounts = nullptr;
  EXPECT_TRUE(
      m_app.WaitFor([&] { return (accounts = m_app.FindTopWindow("#32770", "Accounts")) != nullptr; }));
  Exit(main);
}

// One account refused, one good: the tooltip counts the mail and the failure,
// the log names the account and the socket error; "Check Mail Now" checks
// both again at once.
TEST_F(TrayE2E, PartialFailureShowsAndCheckMailNowChecksAgain) {
  SetSettingDword("Period", 60);
  AddAccount("Home", EnvInt("TIDEWELL_POP3_PORT"));
  AddAccount("Closed", RefusedPort());
  const std::string failed =
      "Error getting mail statistics for Closed from 127.0.0.1: Failed to connect to 127.0.0.1 (10061: "
      "connection refused)";

  HWND main = Start();
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitUntil([] { return Shows(TrayTooltips(), "Tidewell (3 messages, 1 account failed)"); }));
  EXPECT_EQ(1u, Count(LogText(main), failed));

  PostCommand(main, ID_CHECKNOW);
  std::string log;
  EXPECT_TRUE(WaitUntil([&] { return Count(log = LogText(main), failed) == 2; })) << log;
  Exit(main);
}

}  // namespace
