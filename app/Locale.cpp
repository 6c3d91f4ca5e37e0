// The C runtime's locale from the regional settings.
#include "app/Locale.h"

#include <winsock2.h>
#include <windows.h>

#include <clocale>

namespace {
std::string ReadLocaleInfo(LCID locale, LCTYPE type) {
  char buffer[1024];
  int n = GetLocaleInfoA(locale, type, buffer, sizeof buffer);
  if (n <= 0) return std::string();
  buffer[sizeof buffer - 1] = '\0';
  return std::string(buffer);
}
}  // namespace

std::string BuildLocaleString(const std::string& language, const std::string& country,
                              const std::string& codePage) {
  std::string text = language;
  if (!country.empty()) text += "_" + country;
  if (!codePage.empty()) text += "." + codePage;
  return text;
}

std::string SetRuntimeLocale() {
  std::string text = BuildLocaleString(ReadLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE),
                                       ReadLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY),
                                       ReadLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE));
  // A string the runtime rejects leaves its default locale in force.
  setlocale(LC_ALL, text.c_str());
  return text;
}
