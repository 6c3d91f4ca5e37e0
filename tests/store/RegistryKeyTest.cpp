// CRegistryKey and the Run-at-login entry on the run's own registry.
#include "StoreTestSupport.h"
#include "store/RegistryKey.h"

namespace {

class RegistryKeyTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    ASSERT_TRUE(m_key.Open("Tidewell", "Test"));
  }
  CRegistryKey m_key;
};

TEST_F(RegistryKeyTest, OpeningAMissingSectionCreatesIt) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, raw::SectionPath("Test").c_str(), 0, KEY_READ, &key));
  RegCloseKey(key);
  EXPECT_EQ(42, m_key.ReadDword("Missing", 42));
  EXPECT_EQ("dflt", m_key.ReadString("Missing", "dflt"));
}

TEST_F(RegistryKeyTest, StringsUpTo254CharactersReadBackWholeLongerOnesAsTheDefault) {
  struct Case {
    size_t length;
    bool whole;
  } cases[] = {{0, true}, {1, true}, {253, true}, {254, true}, {255, false}, {256, false}, {1000, false}};
  for (const Case& c : cases) {
    const std::string text(c.length, 'x');
    raw::SetString("Test", "Text", text);
    EXPECT_EQ(c.whole ? text : std::string("dflt"), m_key.ReadString("Text", "dflt")) << c.length;
  }
}

TEST_F(RegistryKeyTest, WritingCutsTextsToWhatCanBeReadBack) {
  const std::string text(300, 'y');
  EXPECT_EQ(text.c_str(), m_key.WriteString("Text", text.c_str()));
  EXPECT_EQ(std::string(254, 'y'), raw::GetString("Test", "Text"));
  EXPECT_EQ(std::string(254, 'y'), m_key.ReadString("Text", "dflt"));
}

TEST_F(RegistryKeyTest, NullWriteLeavesAnEmptyStringValue) {
  m_key.WriteString("Text", nullptr);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw::Type("Test", "Text"));
  EXPECT_EQ("", m_key.ReadString("Text", "dflt"));
}

TEST_F(RegistryKeyTest, UnterminatedStringDataIsTerminated) {
  raw::SetBytes("Test", "Text", REG_SZ, "abc", 3);
  EXPECT_EQ("abc", m_key.ReadString("Text", "dflt"));
}

TEST_F(RegistryKeyTest, OverlongDefaultIsCutNotOverrun) {
  const std::string longDefault(600, 'z');
  EXPECT_EQ(std::string(254, 'z'), m_key.ReadString("Missing", longDefault.c_str()));
}

TEST_F(RegistryKeyTest, NumbersNeedAFourByteDwordValue) {
  const DWORD big = 0x12345678;
  struct Case {
    const char* what;
    DWORD type;
    const void* data;
    DWORD size;
    int expected;
  } cases[] = {
      {"dword", REG_DWORD, &big, 4, 0x12345678}, {"long string", REG_SZ, "12345678", 9, -7},
      {"short string", REG_SZ, "12", 3, -7},  // would leave a byte of the number unset
      {"binary", REG_BINARY, &big, 4, -7},       {"empty string", REG_SZ, "", 0, -7},
  };
  for (const Case& c : cases) {
    raw::SetBytes("Test", "Number", c.type, c.data, c.size);
    EXPECT_EQ(c.expected, m_key.ReadDword("Number", -7)) << c.what;
  }
}

TEST_F(RegistryKeyTest, DwordRoundTripIncludingNegativeValues) {
  for (int value : {0, 1, -1, 995, 0x7FFFFFFF, -2147483647 - 1}) {
    EXPECT_EQ(value, m_key.WriteDword("Number", value));
    EXPECT_EQ(value, m_key.ReadDword("Number", 12345));
  }
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), raw::Type("Test", "Number"));
}

TEST_F(RegistryKeyTest, NumberValueReadAsStringGivesTheDefault) {
  m_key.WriteDword("Number", 0x00414141);  // "AAA" if taken as text
  EXPECT_EQ("dflt", m_key.ReadString("Number", "dflt"));
}

TEST(RegistryKeyFailedOpen, LeavesNoHandleAndEveryOperationIsHarmless) {
  CRegistryKey key;
  const std::string section(300, 's');  // the key path would not fit its buffer
  EXPECT_FALSE(key.Open("Tidewell", section.c_str()));
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(5, key.ReadDword("Period", 5));
  EXPECT_EQ("dflt", key.ReadString("Host", "dflt"));
  EXPECT_EQ(3, key.WriteDword("Period", 3));
  key.WriteString("Host", "x");
  key.Close();
  key.Close();
  EXPECT_EQ(5, key.ReadDword("Period", 5));
}

TEST(RegistryKeyFailedOpen, ReopeningAfterAFailureWorks) {
  CRegistryKey key;
  ASSERT_TRUE(key.Open("Tidewell", "Test"));
  EXPECT_FALSE(key.Open("Tidewell", std::string(300, 's').c_str()));
  EXPECT_FALSE(key.IsOpen()) << "a failed Open must drop the previous handle too";
  EXPECT_TRUE(key.Open("Tidewell", "Test"));
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
}

class RunAtLoginTest : public RegistryTest {};

// The path with a blank is quoted, or the system would run "C:\Program".
TEST_F(RunAtLoginTest, SetStoresTheQuotedPathAndClearDeletesTheValue) {
  const char path[] = "C:\\Program Files\\Tidewell\\Tidewell.exe";
  SetRunAtLogin(path);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw::Type("", kRunValueName));
  EXPECT_EQ(std::string("\"") + path + "\"", raw::GetString("", kRunValueName));
  ClearRunAtLogin();
  EXPECT_FALSE(raw::Exists("", kRunValueName));
  ClearRunAtLogin();
  EXPECT_FALSE(raw::Exists("", kRunValueName));
}

TEST_F(RunAtLoginTest, LongPathsAreStoredWhole) {
  const std::string path = "C:\\" + std::string(300, 'd') + "\\Tidewell.exe";
  SetRunAtLogin(path.c_str());
  EXPECT_EQ("\"" + path + "\"", raw::GetString("", kRunValueName));
}

}  // namespace
