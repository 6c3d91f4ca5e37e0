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

TEST(CountText, NumberNounAndPlural) {
  EXPECT_EQ("", FormatCount(0, "item"));
  EXPECT_EQ("1 account", FormatCount(1, "account"));
  EXPECT_EQ("3 selected items", FormatCount(3, "selected item"));
  EXPECT_EQ("-2 items", FormatCount(-2, "item"));
}

}  // namespace
