// The driver's cross-process tools against a peer program of known windows:
// what the View Mail and dialog tests will lean on.
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "AppDriver.h"
#include "RemoteControls.h"
#include "ScriptedServer.h"  // WinePath

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(AppDriver, ReadsAndAnswersAnotherProgramsWindows) {
  CAppProcess peer;
  ASSERT_TRUE(peer.Launch(WinePath(WINDOW_PEER_BUILT)));
  HWND main = nullptr;
  // Shown once its creation, children and all, is complete.
  ASSERT_TRUE(peer.WaitFor([&] {
    main = peer.FindTopWindow("TidewellWindowPeer", nullptr);
    return main && IsWindowVisible(main);
  }));
  HWND list = FindChild(main, WC_LISTVIEWA), bar = FindChild(main, TOOLBARCLASSNAMEA);
  ASSERT_TRUE(list && bar) << peer.WindowTree();

  EXPECT_EQ(ListViewRows(list), (Rows{{"alice", "3"}, {"bob", "0"}}));
  EXPECT_EQ(ListViewSelection(list), std::vector<int>{1});
  std::vector<ToolbarButton> buttons = ToolbarButtons(bar);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_TRUE(buttons[0].id == 100 && buttons[0].enabled && !buttons[0].checked &&
              buttons[0].text == "Delete");
  EXPECT_TRUE(buttons[1].id == 101 && !buttons[1].enabled && buttons[1].checked && buttons[1].text == "Stop");

  PostCommand(main, 100);
  std::string text;
  ASSERT_TRUE(peer.AnswerMessageBox("Window peer", IDNO, &text)) << peer.WindowTree();
  EXPECT_EQ(text, "Delete 2 messages?");
  EXPECT_TRUE(peer.WaitFor([&] { return WindowText(main) == "answer 7"; }));  // IDNO

  // A failed wait names what was there.
  ::testing::AssertionResult failed = peer.WaitFor([] { return false; }, 50);
  EXPECT_FALSE(failed);
  EXPECT_NE(std::string(failed.message()).find("SysListView32 \"\" id=0 visible"), std::string::npos)
      << failed.message();
}

}  // namespace
