// The tray menu's settings, accounts and about dialogs in the running program:
// each opens once however often it is asked for, and an account added through
// the dialogs is what the next check counts.
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "RemoteControls.h"
#include "ScriptedServer.h"  // EnvInt
#include "framework/Messages.h"
#include "res/resource.h"

namespace {

class DialogsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    m_tipsBefore = TrayTooltips();
  }
  void TearDown() override { DeleteProgramKey(); }

  // Opens a dialog from its tray command; a second request must not open another.
  HWND OpenOnce(HWND main, UINT command, const char* caption) {
    PostCommand(main, command);
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (dialog = m_app.FindTopWindow("#32770", caption)) != nullptr; }))
        << caption;
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; })) << caption;
    // Sent: it returns once handled, which for a second dialog would be when that one closed.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main, WM_COMMAND, command, 0, SMTO_NORMAL, 5000, &result);
    EXPECT_EQ(1u, m_app.Windows("#32770", caption).size()) << caption;
    return dialog;
  }
  static void Press(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  static void Type(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  static bool Closes(HWND dialog) {
    return WaitUntil([&] { return !IsWindow(dialog); });
  }
  // This run's icon shows the tip (icons of earlier runs may linger in the tray).
  bool TooltipShows(const std::string& tip) {
    return WaitUntil([&] {
      std::vector<std::string> now = TrayTooltips();
      return std::count(now.begin(), now.end(), tip) >
             std::count(m_tipsBefore.begin(), m_tipsBefore.end(), tip);
    });
  }

  CAppProcess m_app;
  std::vector<std::string> m_tipsBefore;
};

TEST_F(DialogsE2E, TrayDialogsOpenOnceAndAnAccountAddedThereIsChecked) {
  ASSERT_TRUE(SetSettingDword("ShowIntro", 0));
  ASSERT_TRUE(m_app.Launch(TidewellExe()));
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (main = m_app.MainWindow()) != nullptr; }));
  ASSERT_TRUE(TooltipShows("Tidewell (No account)")) << "the first check, without accounts";

  HWND accounts = OpenOnce(main, ID_ACCOUNTS, "Accounts");
  ASSERT_TRUE(accounts);
  Press(accounts, IDC_ADD);
  HWND account = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (account = m_app.FindTopWindow("#32770", "Pop Account")) != nullptr; }));
  Type(account, IDC_ACCOUNTNAME, "alice");
  Type(account, IDC_SERVER, "127.0.0.1");
  Type(account, IDC_USERNAME, "alice");
  Type(account, IDC_PASSWORD, "alicepw");
  Type(account, IDC_PORT, std::to_string(EnvInt("TIDEWELL_POP3_PORT")));
  Press(account, IDOK);
  EXPECT_TRUE(Closes(account));
  const std::vector<std::vector<std::string>> row{{"alice", "127.0.0.1", "Enabled"}};
  EXPECT_TRUE(WaitUntil([&] { return ListViewRows(GetDlgItem(accounts, IDC_ACCOUNTLIST)) == row; }));
  Press(accounts, IDCANCEL);
  EXPECT_TRUE(Closes(accounts));
  // The period timer's tick starts the next check.
  PostMessageA(main, WM_TIMER, IDT_PERIOD, 0);
  EXPECT_TRUE(TooltipShows("Tidewell (3 messages)"));

  HWND settings = OpenOnce(main, ID_SETTINGS, "Settings");
  ASSERT_TRUE(settings);
  EXPECT_EQ("15", ItemText(settings, IDC_REPLYTIMEOUT));
  Press(settings, IDCANCEL);
  EXPECT_TRUE(Closes(settings));

  HWND about = OpenOnce(main, ID_APP_ABOUT, "About Tidewell");
  ASSERT_TRUE(about);
  EXPECT_EQ(TIDEWELL_VERSION_TEXT, ItemText(about, IDC_VERSION));
  Press(about, IDOK);
  EXPECT_TRUE(Closes(about));

  PostCommand(main, ID_APP_EXIT);
  DWORD code = 1;
  EXPECT_TRUE(m_app.WaitForExit(code));
  EXPECT_EQ(0u, code);
}

// "Exit" while a question or the file dialog is open ends the program; the
// question's later answer can no longer delete anything.
TEST_F(DialogsE2E, ExitWithAQuestionOrTheFileDialogOpenEndsTheProgramAndActsOnNeither) {
  ASSERT_TRUE(SetSettingDword("ShowIntro", 0));
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell\\Accounts", 0,
                                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  for (const char* name : {"Name", "Host", "User", "Password"})
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x.test"), 7);
  const struct {
    UINT command;
    const char *caption, *opens;
    int button;
  } cases[] = {{ID_ACCOUNTS, "Accounts", "Accounts", IDC_DELETE},
               {ID_SETTINGS, "Settings", "Sound Wav File", IDC_BROWSE}};
  for (const auto& c : cases) {
    CAppProcess app;
    ASSERT_TRUE(app.Launch(TidewellExe()));
    HWND main = nullptr;
    ASSERT_TRUE(app.WaitFor([&] { return (main = app.MainWindow()) != nullptr; }));
    PostCommand(main, c.command);
    HWND dialog = nullptr;
    ASSERT_TRUE(app.WaitFor([&] { return (dialog = app.FindTopWindow("#32770", c.caption)) != nullptr; }));
    if (c.button == IDC_DELETE) {
      ASSERT_TRUE(SelectListViewRows(GetDlgItem(dialog, IDC_ACCOUNTLIST), {0}));
    }
    Press(dialog, c.button);
    // The question shares the list's caption: it is the other window of that caption.
    ASSERT_TRUE(app.WaitFor([&] {
      for (HWND window : app.Windows("#32770", c.opens))
        if (window != dialog && IsWindowVisible(window)) return true;
      return false;
    })) << c.opens;
    PostCommand(main, ID_APP_EXIT);
    // A Yes that reaches the question after the Exit must not count.
    if (c.button == IDC_DELETE) app.AnswerMessageBox("Accounts", IDYES, nullptr, 1000);
    DWORD code = 1;
    EXPECT_TRUE(app.WaitForExit(code)) << app.WindowTree();
  }
  DWORD deleted = 0, size = sizeof deleted;
  EXPECT_NE(ERROR_SUCCESS,
            RegQueryValueExA(key, "Deleted", nullptr, nullptr, reinterpret_cast<BYTE*>(&deleted), &size));
  RegCloseKey(key);
}

}  // namespace
