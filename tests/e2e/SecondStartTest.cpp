// Two starts of the program in one session: the second gives the first its
// attention (a balloon on the first one's icon) and ends; once the first has
// ended, a start runs as usual.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "framework/CommandIds.h"

namespace {

class SecondStartE2E : public ::testing::Test {
 protected:
  void SetUp() override { DeleteProgramKey(); }
  void TearDown() override { DeleteProgramKey(); }

  static HWND Started(CAppProcess& app) {
    HWND main = nullptr;
    EXPECT_TRUE(app.Launch(TidewellExe()));
    EXPECT_TRUE(app.WaitFor([&] { return (main = app.MainWindow()) != nullptr; }));
    return main;
  }
};

TEST_F(SecondStartE2E, SecondStartShowsTheFirstOnesBalloonAndEnds) {
  ASSERT_TRUE(SetSettingDword("ShowIntro", 0));
  CAppProcess first, second, third;
  // Icons of earlier runs may linger in the tray: this run's own tooltip counts.
  const std::vector<std::string> before = TrayTooltips();
  const auto checked = [](const std::vector<std::string>& tips) {
    return std::count_if(tips.begin(), tips.end(),
                         [](const std::string& tip) { return tip.rfind("Tidewell (", 0) == 0; });
  };
  HWND main = Started(first);
  ASSERT_TRUE(main);
  // The end of the first check changes the balloon (without an account it
  // shows one of its own): the second start comes after it so that its
  // balloon stays.
  EXPECT_TRUE(first.WaitFor([&] { return checked(TrayTooltips()) > checked(before); }));
  ASSERT_TRUE(second.Launch(TidewellExe()));
  DWORD code = 1;
  EXPECT_TRUE(second.WaitForExit(code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(first.WaitFor([] {
    const std::vector<std::string> shown = TrayBalloons();
    return std::find(shown.begin(), shown.end(), "Tidewell is already running") != shown.end();
  }));
  EXPECT_TRUE(first.Running());

  PostCommand(main, ID_APP_EXIT);
  EXPECT_TRUE(first.WaitForExit(code));
  main = Started(third);
  ASSERT_TRUE(main);
  PostCommand(main, ID_APP_EXIT);
  EXPECT_TRUE(third.WaitForExit(code));
}

}  // namespace
