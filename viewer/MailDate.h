// Reading the "Date:" header of a message into a calendar time, and its
// display form.
#pragma once

#include <ctime>
#include <string>

// Never fails: whatever the text does not carry stays at day 0, month 12,
// year 2000, 00:00:00, zone 0. The result is the stated time converted by
// way of the computer's local standard time, as localtime fills it.
void ParseMailDate(const char* text, struct tm& out);
inline void ParseMailDate(const std::string& text, struct tm& out) {
  ParseMailDate(text.c_str(), out);
}

// The current C locale's date and time ("%x %X"), at most 255 characters.
std::string FormatMailDate(const struct tm& time);
