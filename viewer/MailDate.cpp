// Date header parsing: forgiving, fixed tables, the C library's conversions.
#include "viewer/MailDate.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

struct ZoneName {
  const char* name;
  int hours;  // added to the stated time to reach UTC
};
const ZoneName kZones[] = {{"UT", 0},  {"GMT", 0}, {"EST", 5}, {"EDT", 4}, {"CST", 6},
                           {"CDT", 5}, {"MST", 7}, {"MDT", 6}, {"PST", 8}, {"PDT", 7}};

int MonthNumber(char (&word)[4]) {
  for (char* p = word; *p; ++p) {
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
  }
  for (int i = 0; i < 12; ++i) {
    if (strcmp(word, kMonths[i]) == 0) return i + 1;
  }
  return 12;
}

int ZoneLetterHours(char c) {
  switch (c) {
    case 'A':
      return 1;
    case 'M':
      return 12;
    case 'N':
      return -1;
    case 'Y':
      return -12;
    default:
      return 0;  // J, Z and every other character
  }
}

// Moves at most count characters on, never past the terminator.
const char* Advance(const char* p, int count) {
  while (count-- > 0 && *p) ++p;
  return p;
}

struct ParsedDate {
  int day = 0, monthNumber = 0, year = 0;
  int hour = 0, minute = 0, second = 0;
  int zoneHours = 0, zoneMinutes = 0;
};

void ReadDayMonthYear(const char* start, ParsedDate& date) {
  // The word is read whole, bounded, so a longer one ("June") can neither
  // overrun the month field nor match a name; its year is still read.
  char word[16] = {};
  sscanf(start, "%d %15s %d", &date.day, word, &date.year);
  char month[4] = {};
  if (strlen(word) <= 3) memcpy(month, word, strlen(word));
  date.monthNumber = MonthNumber(month);
  if (date.year < 100) date.year += 2000;
}

void ReadZone(const char* p, ParsedDate& date) {
  while (*p == ' ') ++p;
  if (*p == '+' || *p == '-') {
    int z = 0;
    sscanf(p, "%d", &z);
    date.zoneHours = z / -100;
    date.zoneMinutes = -(z % 100);
    return;
  }
  for (const ZoneName& zone : kZones) {
    if (strcmp(p, zone.name) == 0) {
      date.zoneHours = zone.hours;
      return;
    }
  }
  if (*p == '(') ++p;
  date.zoneHours = ZoneLetterHours(*p);
}

// The time and zone hang off the first colon: the hour is read from two
// characters before it (never before the text itself), seconds only where
// the minutes have exactly two digits. Without a colon there is no time.
void ReadTimeAndZone(const char* text, const char* start, ParsedDate& date) {
  const char* colon = strchr(start, ':');
  if (!colon) {
    ReadZone(start + strlen(start), date);
    return;
  }
  const char* from = (colon - text >= 2) ? colon - 2 : text;
  sscanf(from, "%d:%d", &date.hour, &date.minute);
  const char* p = Advance(colon, 3);
  if (*p == ':') {
    sscanf(p, ":%d", &date.second);
    p = Advance(p, 3);
  }
  ReadZone(p, date);
}

struct tm EpochRecord() {
  struct tm epoch = {};
  epoch.tm_mday = 1;
  epoch.tm_year = 70;
  epoch.tm_wday = 4;
  return epoch;
}

// 64-bit conversions on every build: two-digit years reach 2099. The stated
// time is taken as UTC, so that the zone correction gives the moment itself
// and the display shows it in the computer's local time, summer time included.
bool MakeUtcTime(struct tm& record, int64_t& t) {
#ifdef _WIN32
  t = _mkgmtime64(&record);
#else
  t = timegm(&record);
#endif
  return t != -1;
}

bool LocalTime(int64_t t, struct tm& out) {
#ifdef _WIN32
  __time64_t value = t;
  return _localtime64_s(&out, &value) == 0;
#else
  time_t value = static_cast<time_t>(t);
  return localtime_r(&value, &out) != nullptr;
#endif
}

}  // namespace

void ParseMailDate(const char* text, struct tm& out) {
  const char* comma = strchr(text, ',');
  const char* start = comma ? comma + 1 : text;
  ParsedDate date;
  ReadDayMonthYear(start, date);
  ReadTimeAndZone(text, start, date);

  struct tm record = {};  // daylight flag 0: the stated time is standard time
  record.tm_mday = date.day;
  record.tm_mon = date.monthNumber - 1;
  record.tm_year = static_cast<int>(static_cast<int64_t>(date.year) - 1900);
  record.tm_hour = date.hour;
  record.tm_min = date.minute;
  record.tm_sec = date.second;
  int64_t t = 0;
  // Out of the C library's range: a fixed valid record, since the display and
  // the sort must never meet fields that strftime or mktime refuse.
  if (!MakeUtcTime(record, t) || !LocalTime(t + date.zoneHours * 3600LL + date.zoneMinutes * 60LL, out)) {
    out = EpochRecord();
  }
}

std::string FormatMailDate(const struct tm& time) {
  char buffer[256];
  size_t length = strftime(buffer, sizeof(buffer), "%x %X", &time);
  return std::string(buffer, length);
}
