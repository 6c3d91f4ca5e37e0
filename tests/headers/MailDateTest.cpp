// Date header parsing, with the computer's zone pinned so results do not
// depend on the machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "viewer/MailDate.h"

namespace {

void SetZone(const char* tz) {
#ifdef _WIN32
  std::string setting = std::string("TZ=") + tz;
  _putenv(setting.c_str());
  _tzset();
#else
  setenv("TZ", tz, 1);
  tzset();
#endif
}

class MailDate : public ::testing::Test {
 protected:
  void SetUp() override { SetZone("UTC0"); }
  void TearDown() override { SetZone("UTC0"); }
};

struct Expected {
  int year, month, day, hour, minute, second;
};

std::string Show(const struct tm& t) {
  char text[64];
  snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
           t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

std::string Show(const Expected& e) {
  struct tm t = {};
  t.tm_year = e.year - 1900;
  t.tm_mon = e.month - 1;
  t.tm_mday = e.day;
  t.tm_hour = e.hour;
  t.tm_min = e.minute;
  t.tm_sec = e.second;
  return Show(t);
}

std::string Parsed(const char* text) {
  struct tm out;
  memset(&out, 0x7F, sizeof(out));
  ParseMailDate(text, out);
  return Show(out);
}

TEST_F(MailDate, ReadsFieldsAndZonesAsUtc) {
  struct Case {
    const char* text;
    Expected utc;
  } cases[] = {
      {"Tue, 05 Jun 2007 14:03:22 +0200", {2007, 6, 5, 12, 3, 22}},
      {"Tue, 05 Jun 2007 14:03:22 -0500", {2007, 6, 5, 19, 3, 22}},
      {"Tue, 05 Jun 2007 14:03:22 +0530", {2007, 6, 5, 8, 33, 22}},
      {"Tue, 05 Jun 2007 14:03:22 -0330", {2007, 6, 5, 17, 33, 22}},
      {"5 Jun 2007 14:03 GMT", {2007, 6, 5, 14, 3, 0}},  // no weekday, no seconds
      {"5 jun 2007 14:03 UT", {2007, 6, 5, 14, 3, 0}},
      {"5 jUN 2007 14:03:22 EST", {2007, 6, 5, 19, 3, 22}},
      {"5 Jun 2007 14:03:22 PDT", {2007, 6, 5, 21, 3, 22}},
      {"5 Jun 2007 14:03:22 EST (Eastern)", {2007, 6, 5, 14, 3, 22}},  // no name; the letter E gives 0
      {"5 Jun 2007 14:03:22 (A)", {2007, 6, 5, 15, 3, 22}},
      {"5 Jun 2007 14:03:22 Y", {2007, 6, 5, 2, 3, 22}},
      {"5 Jun 2007 14:03:22 N", {2007, 6, 5, 13, 3, 22}},
      {"5 Jun 2007 14:03:22 Z", {2007, 6, 5, 14, 3, 22}},
      {"5 Xyz 2007 10:00", {2007, 12, 5, 10, 0, 0}},  // an unknown month is December
      {"Wed, 1 Jan 99 08:00:00 +0000", {2099, 1, 1, 8, 0, 0}},
      {"1 Jan 07 08:00", {2007, 1, 1, 8, 0, 0}},
      {"Jun 5 2007 14:03", {2000, 11, 30, 14, 3, 0}},      // no day, month or year: day 0 of December 2000
      {"5 Jun 2007 14:3:22 GMT", {2007, 6, 5, 14, 3, 0}},  // seconds only after two-digit minutes
      {"5 Jun 2007 9:05:01", {2007, 6, 5, 9, 5, 1}},
      {"31 Jun 2007 00:00", {2007, 7, 1, 0, 0, 0}},  // carried over like the C library does
  };
  for (const Case& c : cases) EXPECT_EQ(Show(c.utc), Parsed(c.text)) << c.text;
}

TEST_F(MailDate, UnreadableTextsStayInsideAndGiveValidTimes) {
  struct Case {
    const char* text;
    Expected utc;
  } cases[] = {
      {"", {2000, 11, 30, 0, 0, 0}},
      {"5 June 2007 10:00", {2007, 12, 5, 10, 0, 0}},  // a longer word matches no month
      {"5 Septembers 2007", {2007, 12, 5, 0, 0, 0}},
      {"5 Jun 2007", {2007, 6, 5, 0, 0, 0}},  // no colon: no time
      {":30 x", {2000, 11, 30, 0, 0, 0}},
      {"5:30", {2000, 12, 5, 5, 30, 0}},
      {"1 Jan 2007 14:", {2007, 1, 1, 14, 0, 0}},
      {"1 Jan 2007 14:03:", {2007, 1, 1, 14, 3, 0}},
      {"1 Jan 2007 14:03 +", {2007, 1, 1, 14, 3, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(c.utc), Parsed(c.text)) << c.text;
}

TEST_F(MailDate, OutOfRangeFallsBackToAValidRecord) {
  for (const char* text :
       {"99999999 Jan 2147483647 10:00", "1 Jan -2147483648 00:00", "1 Jan 1969 00:00 +2359"}) {
    struct tm out;
    ParseMailDate(text, out);
    EXPECT_GE(out.tm_mday, 1) << text;
    EXPECT_LE(out.tm_mday, 31) << text;
    EXPECT_GE(out.tm_mon, 0) << text;
    EXPECT_LE(out.tm_mon, 11) << text;
    EXPECT_FALSE(FormatMailDate(out).empty()) << text;
  }
}

TEST_F(MailDate, StatedTimeIsShownInTheComputersLocalTime) {
  struct tm out;
  SetZone("XYZ-3");  // three hours east of UTC, no summer time
  ParseMailDate("Tue, 05 Jun 2007 14:03:22 +0200", out);
  EXPECT_EQ("2007-06-05 15:03:22", Show(out));
  SetZone("CET-1CEST");  // one hour east of UTC, summer time in June
  ParseMailDate("Tue, 05 Jun 2007 14:03:22 +0200", out);
  EXPECT_EQ("2007-06-05 14:03:22", Show(out));
  ParseMailDate("Tue, 05 Dec 2007 14:03:22 -0500", out);
  EXPECT_EQ("2007-12-05 20:03:22", Show(out));
}

TEST_F(MailDate, DisplayUsesLocaleDateAndTime) {
  struct tm out;
  ParseMailDate("Tue, 05 Jun 2007 14:03:22 +0200", out);
  EXPECT_EQ("06/05/07 12:03:22", FormatMailDate(out));  // the C locale
}

}  // namespace
