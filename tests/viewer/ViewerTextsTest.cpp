// The information window's text and the status bar's count texts.
#include <gtest/gtest.h>

#include "viewer/CountStatusBar.h"
#include "viewer/InfoDlg.h"

namespace {

TEST(InfoText, HeaderBlockWithoutStatusLineAndFinalDot) {
  ReplyLines lines = {"+OK 2 octets", "From: a@b", "Subject: x", " folded", "", "."};
  EXPECT_EQ("From: a@b\r\nSubject: x\r\n folded\r\n\r\n", BuildText(lines));
  EXPECT_EQ("", BuildText({"+OK", "."}));
  EXPECT_EQ("", BuildText({}));
}

// The window shows the block decoded; the lines as received are one menu item away.
TEST(InfoText, DecodedBlockJoinsFoldsAndDecodesWordsRawKeepsThem) {
  ReplyLines lines = {"+OK", "Subject: =?utf-8?Q?Caf=C3=A9?=", " =?koi8-r?B?8NLJ18XU?=", "From: a@b", "",
                      "."};
  EXPECT_EQ("Subject: Caf\xC3\xA9\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\nFrom: a@b\r\n\r\n",
            BuildText(lines, kHeaderTextLimit, true));
  EXPECT_EQ("Subject: =?utf-8?Q?Caf=C3=A9?=\r\n =?koi8-r?B?8NLJ18XU?=\r\nFrom: a@b\r\n\r\n",
            BuildText(lines));
}

// A 5 MB block set in one call held the window for most of a minute: past
// the limit whole lines are left out and counted, a single longer line is cut.
TEST(InfoText, LongHeaderBlockIsCutAtTheLimitAndSaysWhatWasLeftOut) {
  ReplyLines lines = {"+OK", std::string(30, 'a'), std::string(30, 'b'), std::string(30, 'c'), "", "."};
  EXPECT_EQ(std::string(30, 'a') + "\r\n" + std::string(30, 'b') + "\r\n" +
                "(34 more bytes of the header block, in 2 lines, are not shown)\r\n",
            BuildText(lines, 70));
  EXPECT_EQ(std::string(10, 'a') + "\r\n(88 more bytes of the header block, in 4 lines, are not shown)\r\n",
            BuildText(lines, 10));
  EXPECT_EQ(BuildText(lines), BuildText(lines, 98)) << "exactly at the limit nothing is left out";

  ReplyLines huge = {"+OK"};
  for (int i = 0; i < 65000; ++i) huge.push_back("X-Filler: " + std::string(70, 'x'));
  huge.push_back(".");
  std::string text = BuildText(huge);
  EXPECT_LE(text.size(), kHeaderTextLimit + 100);
  EXPECT_NE(std::string::npos, text.find("lines, are not shown)\r\n", kHeaderTextLimit - 100));
}

TEST(CountText, NumberNounAndPlural) {
  EXPECT_EQ("", FormatCount(0, "item"));
  EXPECT_EQ("1 account", FormatCount(1, "account"));
  EXPECT_EQ("3 selected items", FormatCount(3, "selected item"));
  EXPECT_EQ("-2 items", FormatCount(-2, "item"));
}

}  // namespace
