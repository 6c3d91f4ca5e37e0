// Header extraction and encoded-word decoding.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "pop3/HeaderParse.h"

namespace {

std::string Decoded(const std::string& value) {
  char field[kHeaderFieldSize] = {};
  value.copy(field, sizeof(field) - 1);
  return DecodeHeaderValue(field);
}

const ReplyLines kLines = {"+OK 532 octets",
                           "Received: from mx (Resent-From: x)",
                           "Resent-From: resent@example.test",
                           "SUBJECT:Mixed case",
                           "Date : not a date header",
                           "\tFrom: folded continuation",
                           "From: \"Bob\" <bob@example.test>",
                           "Subject: second subject",
                           "",
                           "."};

TEST(FindHeader, AnchoredCaseInsensitiveFirstMatch) {
  struct Case {
    const char* name;
    bool found;
    const char* value;
  } cases[] = {
      {"From:", true, " \"Bob\" <bob@example.test>"},  // not Resent-From, not the folded line
      {"Subject:", true, "Mixed case"},                // the first one, whatever its case
      {"Date:", false, ""},                            // a blank before the colon is no match
      {"+ok", true, " 532 octets"},                    // the status line is searched too
      {"Cc:", false, ""},
  };
  for (const Case& c : cases) {
    char field[kHeaderFieldSize];
    memset(field, 'x', sizeof(field));
    EXPECT_EQ(c.found, FindHeader(kLines, c.name, field)) << c.name;
    EXPECT_STREQ(c.value, field) << c.name;
  }
}

TEST(FindHeader, LongValueKeepsFirst255BytesAndZeroFills) {
  std::string subject(400, 's');
  subject[254] = 'e';
  ReplyLines lines = {"Subject:" + subject};
  char field[kHeaderFieldSize];
  memset(field, 'x', sizeof(field));
  ASSERT_TRUE(FindHeader(lines, "Subject:", field));
  EXPECT_EQ(std::string(subject, 0, 255), field);
  EXPECT_EQ('\0', field[255]);

  lines = {"From:ab"};
  memset(field, 'x', sizeof(field));
  ASSERT_TRUE(FindHeader(lines, "From:", field));
  for (size_t i = 2; i < sizeof(field); ++i) ASSERT_EQ('\0', field[i]) << i;
}

TEST(FindHeader, LineShorterThanNameAndEmptyValue) {
  ReplyLines lines = {"Fro", "From:"};
  char field[kHeaderFieldSize];
  EXPECT_TRUE(FindHeader(lines, "From:", field));
  EXPECT_STREQ("", field);
}

TEST(DecodeHeaderValue, EncodedWords) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"=?ISO-8859-1?Q?Caf=E9?=", "Caf\xE9"},
      {"=?utf-8?B?SGVsbG8=?=", "Hello"},
      {"=?utf-8?b?SGVsbG8=?=", "Hello"},
      {"Re: =?x?q?a_b?= tail", "Re: a b tail"},
      {"=?a?Q?one?=  =?a?B?dHdv?=", "onetwo"},  // blanks between two words are dropped
      {"=??Q?empty_charset?=", "empty charset"},
      {"=?a?Q?dash=96x=C2=A0y?=", "dash-x\xA0y"},
      {"Subject ends =?", "Subject ends =?"},
      {"=?a?X?abc?= =?a?Q?b?=", "=?a?X?abc?= =?a?Q?b?="},  // decoding stops at the first bad word
      {"=?a?Q?unclosed", "=?a?Q?unclosed"},
      {"=?a?Q?=3D=3Fa=3FQ=3Fx=3F=3D?=", "=?a?Q?x?="},  // decoded text is not decoded again
      {"=?a?B?QUFBAEJC?=rest", "AAArest"},             // a decoded zero byte ends the word
      {"tab\there\x01", "tab here "},
      {"high \xE9\xFF bytes", "high \xE9\xFF bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, Decoded(c.in)) << c.in;
}

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  while (count-- > 0) text += piece;
  return text;
}

// Each row runs under the ANSI code page it names; CTest starts this test
// under 1252, 1251 and 932, and names the one it chose in TIDEWELL_TEST_ACP.
TEST(DecodeHeaderValue, Charsets) {
  unsigned codePage = GetACP();
  if (const char* expected = getenv("TIDEWELL_TEST_ACP")) {
    ASSERT_EQ(strtoul(expected, nullptr, 10), codePage) << "wine takes its ANSI code page from LC_ALL";
  }
  const std::string kHello = "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD";
  struct Case {
    unsigned codePage;
    std::string in;
    std::string out;
  } cases[] = {
      {1252, "=?utf-8?B?Q2Fmw6kgY3LDqG1lIMOgIDgg4oKs?=", "Caf\xE9 cr\xE8me \xE0 8 \x80"},
      {1252, "=?UTF-8?Q?Caf=C3?= \t=?utf8?Q?=A9_au_lait?=", "Caf\xE9 au lait"},  // a character split in two
      {1252, "=?utf-8?Q?a?= - =?utf-8?Q?b?=", "a - b"},
      {1252, "=?iso-8859-2?Q?=A9koda_=BEije_=B3?=", "\x8Akoda \x9Eije l"},  // best fit for the last
      {1252, "=?ISO-8859-1?Q?=C2ge_=96_=E9?=", "\xC2ge \x96 \xE9"},         // 0x96 as Windows-1252's dash
      {1252, "=?euc-kr?B?x9Gx2w==?=", "??"},
      {1252, "=?x-unknown?Q?dash=96x=C2=A0y?=", "dash-x\xA0y"},
      {1252, "=?utf-8?Q?Caf=E9?= Caf\xE9 \xC3(", "Caf\xE9 Caf\xE9 \xC3("},  // not UTF-8: bytes kept
      {1252, "Re: Caf\xC3\xA9 \xE2\x82\xAC", "Re: Caf\xE9 \x80"},
      {1251, "=?windows-1251?B?z/Do4uXy?=", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {1251, "=?koi8-r?Q?=F0=D2=C9=D7=C5=D4?= =?koi8-u?Q?=A7?=", "\xCF\xF0\xE8\xE2\xE5\xF2\xBF"},
      {1251, "\xD0\x9F\xD1\x80\xD0\xB8 =?utf-8?Q?Caf=C3=A9?=", "\xCF\xF0\xE8 Cafe"},
      {932, "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoSTEbKEI=?=", kHello + "\xB1"},
      {932, "=?shift_jis?B?grGC8YLJgr+CzQ==?= =?euc-jp?B?pLOk86TLpMGkzw==?=", kHello + kHello},
      {932, "=?gb2312?B?1tDOxA==?=/=?big5?B?pKSk5Q==?=", "\x92\x86\x95\xB6/\x92\x86\x95\xB6"},
      {932, "\xE3\x81\x93", "\x82\xB1"},
      // 177 letters that take two bytes each: the 128th would straddle the field's end.
      {932, "=?windows-1251?B?" + Repeat("wMDA", 59) + "?=", Repeat("\x84\x40", 127)},
  };
  int run = 0;
  for (const Case& c : cases) {
    if (c.codePage != codePage) continue;
    ++run;
    EXPECT_EQ(c.out, Decoded(c.in)) << c.in;
  }
  EXPECT_GT(run, 0) << "no rows for code page " << codePage;
}

TEST(QDecode, EqualsNearTheEndIsCopied) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"a=", "a="}, {"a=4", "a=4"}, {"=41", "A"}, {"_=5F", " _"}, {"=", "="}};
  for (const Case& c : cases) {
    char out[16];
    memset(out, 'x', sizeof(out));
    QDecode(c.in, out);
    EXPECT_STREQ(c.out, out) << c.in;
  }
}

TEST(Base64Decode, GroupsPaddingAndPartialGroups) {
  struct Case {
    const char* in;
    std::string out;
  } cases[] = {
      {"SGVsbG8=", "Hello"},
      {"SGVsbA==", "Hell"},
      {"SGVs", "Hel"},
      {"SG Vs\r\n*", "Hel"},  // characters outside the alphabet are skipped
      {"SGVsbG8", "Hello"},   // a missing "=" still gives what the group carries
      {"SGVsbA", "Hell"},
      {"SGVsb", "Hel"},  // one character left over carries no byte
      {"S", ""},
      {"", ""},
      {"QQ==QQ==", "AA"},  // padded groups one after another
  };
  for (const Case& c : cases) {
    char out[32];
    memset(out, 'x', sizeof(out));
    int n = Base64Decode(c.in, out);
    EXPECT_EQ(c.out, std::string(out, n)) << c.in;
    EXPECT_LE(n, static_cast<int>(strlen(c.in))) << c.in;
  }
}

TEST(StripQuotes, RemovesEveryQuote) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"\"Bob Example\" <bob@example.test>", "Bob Example <bob@example.test>"},
               {"\"B\" <b@x>", "B <b@x>"},
               {"\"\"", ""},
               {"no quotes", "no quotes"}};
  for (const Case& c : cases) {
    char text[64];
    strcpy(text, c.in);
    EXPECT_STREQ(c.out, StripQuotes(text)) << c.in;
  }
}

}  // namespace
