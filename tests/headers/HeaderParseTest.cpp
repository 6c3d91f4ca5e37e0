// Header extraction and encoded-word decoding.
#include <gtest/gtest.h>

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
      {"=?a?Q?one?=  =?a?B?dHdv?=", "one  two"},  // blanks between two words stay
      {"=??Q?empty_charset?=", "empty charset"},
      {"=?a?Q?dash=96x=C2=A0y?=", "dash-x\xA0y"},
      {"Subject ends =?", "Subject ends =?"},
      {"=?a?X?abc?= =?a?Q?b?=", "=?a?X?abc?= =?a?Q?b?="},  // decoding stops at the first bad word
      {"=?a?Q?unclosed", "=?a?Q?unclosed"},
      {"=?a?Q?=3D=3Fa=3FQ=3Fx=3F=3D?=", "x"},  // a word that decodes into a word
      {"=?a?B?QUFBAEJC?=rest", "AAArest"},     // a decoded zero byte ends the word
      {"tab\there\x01", "tab here "},
      {"high \xE9\xFF bytes", "high \xE9\xFF bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, Decoded(c.in)) << c.in;
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
