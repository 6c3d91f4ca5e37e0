// Header extraction and encoded-word decoding.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "framework/WideText.h"
#include "pop3/HeaderParse.h"

namespace {

std::string Decoded(std::string value) {
  return DecodeHeaderValue(value);
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
    std::string field = "stale";
    EXPECT_EQ(c.found, FindHeader(kLines, c.name, field)) << c.name;
    EXPECT_EQ(c.value, field) << c.name;
  }
  ReplyLines lines = {"Fro", "From:"};
  std::string field = "stale";
  EXPECT_TRUE(FindHeader(lines, "From:", field));  // a line shorter than the name is passed over
  EXPECT_EQ("", field);
}

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  while (count-- > 0) text += piece;
  return text;
}

// The value is found whole and cut once decoded: at 255 UTF-16 units, never
// inside a character, whatever the bytes looked like before.
TEST(DecodeHeaderValue, CutsTo255CharactersOnCharacterBoundaries) {
  const std::string a254(254, 'a'), ellipsis = "\xE2\x80\xA6", smile = "\xF0\x9F\x98\x80";
  std::string subject(400, 's');
  EXPECT_EQ(std::string(255, 's'), Decoded(subject));
  // An English subject whose "..." used to be cut after two of its bytes.
  EXPECT_EQ(" " + std::string(252, 'x') + ellipsis + " ",
            Decoded(" " + std::string(252, 'x') + ellipsis + " more"));
  EXPECT_EQ(a254 + ellipsis, Decoded(a254 + ellipsis + ellipsis));
  EXPECT_EQ(a254, Decoded(a254 + smile));  // its surrogate pair would need the 256th unit
  EXPECT_EQ("a" + Repeat(smile, 127), Decoded("a" + Repeat(smile, 130)));
  // An encoded word past the 255th byte of the line is still read.
  EXPECT_EQ(std::string(249, 'a') + " \xC3\xA9t\xC3\xA9 a",
            Decoded(std::string(249, 'a') + " =?utf-8?Q?=C3=A9t=C3=A9?= and more"));
}

// Under an English code page: what a Latin-1 system shows for bytes of no known charset.
TEST(DecodeHeaderValue, EncodedWords) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"=?ISO-8859-1?Q?Caf=E9?=", u8"Café"},
      {"=?utf-8?B?SGVsbG8=?=", "Hello"},
      {"=?utf-8?b?SGVsbG8=?=", "Hello"},
      {"Re: =?x?q?a_b?= tail", "Re: a b tail"},
      {"=?a?Q?one?=  =?a?B?dHdv?=", "onetwo"},  // blanks between two words are dropped
      {"=??Q?empty_charset?=", "empty charset"},
      {"=?a?Q?dash=96x=C2=A0y?=", u8"dash-x\u00A0y"},
      {"Subject ends =?", "Subject ends =?"},
      {"=?a?X?abc?= =?a?Q?b?=", "=?a?X?abc?= =?a?Q?b?="},  // decoding stops at the first bad word
      {"=?a?Q?unclosed", "=?a?Q?unclosed"},
      {"=?a?Q?=3D=3Fa=3FQ=3Fx=3F=3D?=", "=?a?Q?x?="},  // decoded text is not decoded again
      {"=?a?B?QUFBAEJC?=rest", "AAArest"},             // a decoded zero byte ends the word
      {"tab\there\x01", "tab here "},
      {"high \xE9\xFF bytes", u8"high éÿ bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, Decoded(c.in)) << c.in;
}

// Each script reaches the window as the same UTF-16 under every system code
// page: CTest runs this under 1252, 1251 and 932 and names the one it chose
// in TIDEWELL_TEST_ACP. Only bytes of no known charset are read in the
// system's code page, as the rows for each one show.
TEST(DecodeHeaderValue, Charsets) {
  unsigned codePage = GetACP();
  if (const char* expected = getenv("TIDEWELL_TEST_ACP")) {
    ASSERT_EQ(strtoul(expected, nullptr, 10), codePage) << "wine takes its ANSI code page from LC_ALL";
  }
  struct Case {
    unsigned codePage;  // 0: every one
    std::string in;
    std::wstring out;
  } cases[] = {
      {0, "=?utf-8?B?0J/RgNC40LLQtdGCLCDQvNC40YA=?=", L"Привет, мир"},
      {0, "=?UTF-8?Q?Za=C5=BC=C3=B3=C5=82=C4=87_g=C4=99=C5=9Bl=C4=85_ja=C5=BA=C5=84?=", L"Zażółć gęślą jaźń"},
      {0, "=?iso-8859-1?Q?Caf=E9_cr=E8me?=", L"Café crème"},
      {0, "=?iso-8859-2?Q?=A9koda_=BEije_=B3?=", L"Škoda žije ł"},
      {0, "=?windows-1252?Q?=93Quote=94_=96_8_=80?=", L"“Quote” – 8 €"},
      {0, "=?koi8-r?B?8NLJ18XU?= =?koi8-u?Q?=A7?=", L"Приветї"},
      {0, "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoSTEbKEI=?=", L"こんにちはｱ"},
      {0, "=?gb2312?B?1tDOxNPKvP4=?= / =?big5?B?pKSk5Q==?= / =?euc-kr?B?x9Gxub7u?=",
       L"中文邮件 / 中文 / 한국어"},
      {0, "Re: \xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 \xF0\x9F\x98\x80",
       L"Re: Καλημέρα 😀"},
      {0, "=?UTF-8?Q?Caf=C3?= \t=?utf8?Q?=A9_au_lait?= =?utf-8?Q?a?= - =?utf-8?Q?b?=", L"Café au laita - b"},
      {0, "=?windows-1251?B?" + Repeat("wMDA", 100) + "?=", std::wstring(255, L'А')},
      // No known charset, or not the one declared: the bytes as the system reads them.
      {1252, "=?utf-8?Q?Caf=C3=A9?= =?utf-8?Q?=E9t=E9?=", L"Caféété"},  // only the bad word falls back
      {1252, "=?utf-8?Q?Caf=C3?= =?utf-8?Q?=A9?= =?utf-8?Q?=E9?= =?utf-8?Q?!?=", L"Caféé!"},
      {1252, "=?x-unknown?Q?dash=96x=C2=A0y?= Caf\xE9 \xC3(", L"dash-x\u00A0y Café Ã("},
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2 =?x-unknown?B?z/Do4uXy?=", L"Привет Привет"},
      {932, "\x82\xB1\x82\xF1 =?x-unknown?B?grGC8Q==?=", L"こん こん"},
  };
  int own = 0;
  for (const Case& c : cases) {
    if (c.codePage != 0 && c.codePage != codePage) continue;
    own += c.codePage != 0;
    EXPECT_EQ(c.out, Utf8ToWide(Decoded(c.in))) << c.in;
  }
  EXPECT_GT(own, 0) << "no rows for code page " << codePage;
}

// The information window's two views of a header block: decoded, one line per
// field and never cut; and the lines as received. Under an English code page.
TEST(HeaderBlock, DecodedFieldsAndRawLines) {
  const std::string longValue(300, 'x');
  const ReplyLines reply = {"+OK",
                            "Subject: =?utf-8?Q?Caf=C3=A9?=",
                            "\t=?utf-8?Q?_cr=C3=A8me?=",
                            "X-Long: " + longValue,
                            "From: Ren\xC3\xA9 <r@x>",
                            "X-Raw: \xE9t\xE9",
                            "",
                            "."};
  EXPECT_EQ(u8"Subject: Café crème\r\nX-Long: " + longValue + u8"\r\nFrom: René <r@x>\r\nX-Raw: été\r\n\r\n",
            DecodeHeaderBlock(reply));
  EXPECT_EQ(u8"Subject: =?utf-8?Q?Caf=C3=A9?=\r\n\t=?utf-8?Q?_cr=C3=A8me?=\r\nX-Long: " + longValue +
                u8"\r\nFrom: René <r@x>\r\nX-Raw: été\r\n\r\n",
            RawHeaderBlock(reply));
  EXPECT_EQ("", DecodeHeaderBlock({"+OK", "."}));
  EXPECT_EQ("", RawHeaderBlock({"+OK", "."}));
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
    std::string text = c.in;
    EXPECT_EQ(c.out, StripQuotes(text)) << c.in;
  }
}

}  // namespace
