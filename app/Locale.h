// The C runtime's locale taken from the user's and the system's regional settings.
#pragma once
#include <string>

// "language[_country][.codepage]": an empty part is left out with its separator.
std::string BuildLocaleString(const std::string& language, const std::string& country,
                              const std::string& codePage);
// Reads the regional settings and passes the result to setlocale(LC_ALL, ...).
std::string SetRuntimeLocale();
