// The locale string handed to the C runtime.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <clocale>

#include "app/Locale.h"

TEST(Locale, EmptyPartsAreLeftOutWithTheirSeparator) {
  struct Case {
    const char *language, *country, *codePage, *expected;
  } cases[] = {
      {"English", "United Kingdom", "1252", "English_United Kingdom.1252"},
      {"English", "", "1252", "English.1252"},
      {"English", "United States", "", "English_United States"},
      {"English", "", "", "English"},
      {"", "", "1252", ".1252"},
      {"", "", "", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, BuildLocaleString(c.language, c.country, c.codePage)) << c.expected;
}

TEST(Locale, RuntimeLocaleComesFromTheRegionalSettings) {
  std::string text = SetRuntimeLocale();
  ASSERT_FALSE(text.empty());
  // Whatever this machine's settings are, the code page is the last part.
  char codePage[16];
  ASSERT_GT(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, codePage, sizeof codePage), 0);
  EXPECT_EQ(std::string(".") + codePage, text.substr(text.rfind('.')));
  setlocale(LC_ALL, "C");
}
