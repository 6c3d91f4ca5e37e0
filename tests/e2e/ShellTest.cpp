// The running program's shell as a user meets it: the intro, the tray icon and
// its tooltip and menu, the log window, and the ways the program ends.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "framework/Messages.h"
#include "res/resource.h"

namespace {

constexpr char kLogCaption[] = "Application Log";
// ShowIntro x 2 s: long enough that the intro is certainly still up while a
// case looks at it, yet each such case ends the program itself.
constexpr DWORD kLongIntro = 60;

// The texts that appeared in the notification area since the baseline.
std::vector<std::string> NewTooltips(std::vector<std::string> baseline) {
  std::vector<std::string> added;
  for (const std::string& tip : TrayTooltips()) {
    auto it = std::find(baseline.begin(), baseline.end(), tip);
    if (it != baseline.end())
      baseline.erase(it);
    else
      added.push_back(tip);
  }
  return added;
}

// "dd/mm/yyyy hh:mm:ss" followed by four blanks and the message.
bool IsStampedLine(const std::string& line, const std::string& message) {
  int day, month, year, hour, minute, second, consumed = 0;
  if (sscanf(line.c_str(), "%2d/%2d/%4d %2d:%2d:%2d%n", &day, &month, &year, &hour, &minute, &second,
             &consumed) != 6 ||
      consumed != 19)
    return false;
  bool inRange =
      day >= 1 && day <= 31 && month >= 1 && month <= 12 && hour < 24 && minute < 60 && second < 62;
  return inRange && line.substr(19) == "    " + message;
}

// The intro's one icon control: drawn only when it has a size and an icon.
bool ShowsIcon(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    RECT r = {};
    GetWindowRect(child, &r);
    return !IsRectEmpty(&r) && SendMessageA(child, STM_GETICON, 0, 0) != 0;
  }
  return false;
}

SIZE OuterSize(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

class ShellE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    m_tipsBefore = TrayTooltips();
  }
  void TearDown() override { DeleteProgramKey(); }

  // Starts the program and waits for its main window, which exists from the start.
  HWND Start() {
    EXPECT_TRUE(m_app.Launch(TidewellExe())) << TidewellExe();
    HWND main = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (main = m_app.MainWindow()) != nullptr; }));
    return main;
  }
  // With the intro off: returns once the window has hidden and the first check,
  // which finds no account, has shown its outcome.
  HWND StartHidden() {
    EXPECT_TRUE(SetSettingDword("ShowIntro", 0));
    HWND main = Start();
    EXPECT_TRUE(WaitForTooltip("Tidewell (No account)"));
    EXPECT_FALSE(IsWindowVisible(main));
    return main;
  }
  bool WaitForTooltip(const std::string& tip) {
    return WaitUntil([&] {
      std::vector<std::string> added = NewTooltips(m_tipsBefore);
      return added.size() == 1 && added[0] == tip;
    });
  }
  HWND OpenLog(HWND main) {
    PostCommand(main, ID_LOG);
    HWND log = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (log = m_app.FindTopWindow("#32770", kLogCaption)) != nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(log) != FALSE; })) << "the log window stays hidden";
    return log;
  }
  // A right-click on the icon, as the shell reports it to the program.
  HWND OpenTrayMenu(HWND main) {
    PostTrayMouse(main, IDR_TRAYMENU, WM_TRAY_NOTIFY, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (menu = m_app.PopupMenu()) != nullptr; }));
    return menu;
  }
  void CloseLog(HWND log) {
    PostMessageA(log, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(log); }));
  }
  // The program has ended by itself with code 0 and taken its icon with it.
  void ExpectEndedAndIconGone(HWND main) {
    DWORD code = 1;
    ASSERT_TRUE(m_app.WaitForExit(code)) << "the program did not end";
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(TrayIconExists(main, IDR_TRAYMENU));
    EXPECT_TRUE(WaitUntil([&] { return NewTooltips(m_tipsBefore).empty(); }));
  }
  void Exit(HWND main) {
    PostCommand(main, ID_APP_EXIT);
    ExpectEndedAndIconGone(main);
  }

  CAppProcess m_app;
  std::vector<std::string> m_tipsBefore;
};

TEST_F(ShellE2E, FreshRegistryShowsIntroWithVersionTextsThenHidesAndChecks) {
  HWND main = Start();
  ASSERT_TRUE(main);
  // The intro is up for two seconds; polling sees it well within that.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }));
  EXPECT_EQ("Tidewell", ItemText(main, IDC_PRODUCT));
  EXPECT_EQ(TIDEWELL_COPYRIGHT, ItemText(main, IDC_LEGAL));
  EXPECT_EQ(TIDEWELL_WEBHOST, ItemText(main, IDC_WEBADDRESS));
  EXPECT_TRUE(ShowsIcon(main)) << "the intro's envelope icon";
  // No accounts: the first check, started by the hiding, ends at once and says so.
  EXPECT_TRUE(WaitForTooltip("Tidewell (No account)"));
  DWORD showIntro = 0;
  EXPECT_TRUE(ReadSettingDword("ShowIntro", showIntro)) << "defaults are written back on first use";
  EXPECT_EQ(1u, showIntro);
  Exit(main);
}

TEST_F(ShellE2E, TrayIconCarriesTooltipTidewellDuringIntro) {
  ASSERT_TRUE(SetSettingDword("ShowIntro", kLongIntro));
  HWND main = Start();
  ASSERT_TRUE(main);
  EXPECT_TRUE(WaitForTooltip("Tidewell"));
  EXPECT_TRUE(TrayIconExists(main, IDR_TRAYMENU));
  // The icon is added during initialisation, before the intro is shown.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  EXPECT_EQ(std::vector<std::string>{"Tidewell"}, NewTooltips(m_tipsBefore)) << "the intro is not over yet";
  // The intro comes up in the middle of the work area, not in its corner.
  RECT work, intro;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(main, &intro);
  EXPECT_NEAR((work.left + work.right) / 2, (intro.left + intro.right) / 2, 2);
  EXPECT_NEAR((work.top + work.bottom) / 2, (intro.top + intro.bottom) / 2, 2);
  Exit(main);
}

TEST_F(ShellE2E, ShowIntroZeroHidesAtOnceAndStartsTheFirstCheck) {
  HWND main = StartHidden();
  // The end of the first check reads the period and writes its default back,
  // while the stored intro setting stays as it was.
  DWORD period = 0, showIntro = 1;
  EXPECT_TRUE(WaitUntil([&] { return ReadSettingDword("Period", period); })) << "the first check did not end";
  EXPECT_EQ(1u, period);
  EXPECT_TRUE(ReadSettingDword("ShowIntro", showIntro));
  EXPECT_EQ(0u, showIntro);
  Exit(main);
}

TEST_F(ShellE2E, ExitFromHiddenStateEndsProcessAndRemovesIcon) {
  HWND main = StartHidden();
  EXPECT_TRUE(TrayIconExists(main, IDR_TRAYMENU));
  Exit(main);
}

class IntroKeyE2E : public ShellE2E, public ::testing::WithParamInterface<WORD> {};

TEST_P(IntroKeyE2E, KeyOnIntroEndsProgram) {
  ASSERT_TRUE(SetSettingDword("ShowIntro", kLongIntro));
  HWND main = Start();
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  ASSERT_TRUE(WaitForTooltip("Tidewell"));
  ASSERT_TRUE(PressKey(GetParam(), main));
  ExpectEndedAndIconGone(main);
}

INSTANTIATE_TEST_SUITE_P(EnterAndEscape, IntroKeyE2E, ::testing::Values(VK_RETURN, VK_ESCAPE),
                         [](const ::testing::TestParamInfo<WORD>& info) {
                           return std::string(info.param == VK_RETURN ? "Enter" : "Escape");
                         });

TEST_F(ShellE2E, LogWindowFromMenuCommandStartsWithApplicationStarted) {
  HWND main = StartHidden();
  HWND log = OpenLog(main);
  ASSERT_TRUE(log);
  std::string text = ItemText(log, IDC_LOGTEXT);
  size_t end = text.find("\r\n");
  ASSERT_NE(std::string::npos, end) << text;
  EXPECT_TRUE(IsStampedLine(text.substr(0, end), "Application started")) << text;
  EXPECT_EQ("\r\n", text.substr(text.size() - 2)) << "every line ends with CR LF";
  // The text box has the focus once the window is up: the caret stands after
  // the last line, nothing selected.
  LRESULT selection = SendMessageA(GetDlgItem(log, IDC_LOGTEXT), EM_GETSEL, 0, 0);
  EXPECT_EQ(text.size(), LOWORD(selection));
  EXPECT_EQ(text.size(), HIWORD(selection));

  // A second request only brings the open window forward.
  // Sent, not posted: it returns once the command is handled (or a second
  // modal window would hold it until the time-out).
  DWORD_PTR result = 0;
  SendMessageTimeoutA(main, WM_COMMAND, ID_LOG, 0, SMTO_NORMAL, 5000, &result);
  EXPECT_EQ(1u, m_app.Windows("#32770", kLogCaption).size());
  CloseLog(log);
  Exit(main);
}

// "Exit" chosen while the log window is open ends the program all the same,
// taking the log window with it.
TEST_F(ShellE2E, ExitWithTheLogWindowOpenEndsTheProgram) {
  HWND main = StartHidden();
  ASSERT_TRUE(OpenLog(main));
  Exit(main);
}

TEST_F(ShellE2E, LogWindowSizeIsKeptOnlyWhenClosedWithCloseBox) {
  HWND main = StartHidden();
  HWND log = OpenLog(main);
  ASSERT_TRUE(log);
  SIZE start = OuterSize(log), startText = OuterSize(GetDlgItem(log, IDC_LOGTEXT));
  SIZE wanted{start.cx + 120, start.cy + 80};
  SetWindowPos(log, nullptr, 0, 0, wanted.cx, wanted.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CloseLog(log);
  DWORD width = 0, height = 0;
  EXPECT_TRUE(ReadSettingDword("LogWidth", width));
  EXPECT_TRUE(ReadSettingDword("LogHeight", height));
  EXPECT_EQ(static_cast<DWORD>(wanted.cx), width);
  EXPECT_EQ(static_cast<DWORD>(wanted.cy), height);

  // Reopened at the stored size, with the text box keeping its margins.
  log = OpenLog(main);
  ASSERT_TRUE(log);
  SIZE reopened = OuterSize(log);
  EXPECT_EQ(wanted.cx, reopened.cx);
  EXPECT_EQ(wanted.cy, reopened.cy);
  SIZE text = OuterSize(GetDlgItem(log, IDC_LOGTEXT));
  EXPECT_EQ(start.cx - startText.cx, reopened.cx - text.cx);
  EXPECT_EQ(start.cy - startText.cy, reopened.cy - text.cy);

  // Escape ends the window without storing the size it was given.
  SetWindowPos(log, nullptr, 0, 0, start.cx, start.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(PressKey(VK_ESCAPE, log));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(log); }));
  EXPECT_TRUE(ReadSettingDword("LogWidth", width));
  EXPECT_EQ(static_cast<DWORD>(wanted.cx), width);
  Exit(main);
}

TEST_F(ShellE2E, TrayMenuFromRightClickReachesLogCommand) {
  HWND main = StartHidden();
  HWND menu = OpenTrayMenu(main);
  ASSERT_TRUE(menu);
  // Settings, Accounts, Check Mail Now, View, then past the separator to Log.
  for (int i = 0; i < 5; ++i) PostKey(menu, VK_DOWN);
  PostKey(menu, VK_RETURN);
  HWND log = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (log = m_app.FindTopWindow("#32770", kLogCaption)) != nullptr; }));
  EXPECT_FALSE(m_app.PopupMenu());
  if (log) CloseLog(log);
  Exit(main);
}

TEST_F(ShellE2E, TrayMenuEscapeChoosesNothingAndExitEndsProgram) {
  HWND main = StartHidden();
  HWND menu = OpenTrayMenu(main);
  ASSERT_TRUE(menu);
  PostKey(menu, VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return m_app.PopupMenu() == nullptr; }));
  EXPECT_TRUE(m_app.Running());
  EXPECT_FALSE(m_app.FindTopWindow("#32770", kLogCaption));

  // Up from no selection wraps round to the last item, Exit.
  menu = OpenTrayMenu(main);
  ASSERT_TRUE(menu);
  PostKey(menu, VK_UP);
  PostKey(menu, VK_RETURN);
  ExpectEndedAndIconGone(main);
}

}  // namespace
