// The log: line format, the joined text, long lines, appends from several threads, the bound.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "framework/AppLog.h"

namespace {
SYSTEMTIME Time(WORD day, WORD month, WORD year, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME t{};
  t.wDay = day;
  t.wMonth = month;
  t.wYear = year;
  t.wHour = hour;
  t.wMinute = minute;
  t.wSecond = second;
  return t;
}
}  // namespace

TEST(AppLogFormat, StampsDayBeforeMonthAndFourBlanks) {
  struct Case {
    SYSTEMTIME time;
    const char* text;
    const char* expected;
  } cases[] = {
      {Time(7, 3, 2026, 9, 5, 41), "Application started", "07/03/2026 09:05:41    Application started"},
      {Time(31, 12, 1999, 23, 59, 59), "x", "31/12/1999 23:59:59    x"},
      {Time(1, 1, 2030, 0, 0, 0), "", "01/01/2030 00:00:00    "},
      {Time(1, 1, 2030, 0, 0, 0), "100% sure %s %d", "01/01/2030 00:00:00    100% sure %s %d"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, CAppLog::FormatLine(c.time, c.text)) << c.text;
}

TEST(AppLogFormat, NullTextGivesStampOnly) {
  EXPECT_EQ("01/02/2003 04:05:06    ", CAppLog::FormatLine(Time(1, 2, 2003, 4, 5, 6), nullptr));
}

TEST(AppLogFormat, LongLinesAreCutToTheLimit) {
  for (size_t length : {231u, 232u, 233u, 300u, 5000u}) {
    std::string text(length, 'e');
    std::string line = CAppLog::FormatLine(Time(1, 2, 2003, 4, 5, 6), text.c_str());
    EXPECT_EQ(std::min<size_t>(23 + length, CAppLog::kMaxLine), line.size()) << length;
    EXPECT_EQ(0u, line.compare(0, 23, "01/02/2003 04:05:06    "));
  }
}

TEST(AppLog, TextIsEveryLineWithCrLfAndLengthLPlus2n) {
  CAppLog log;
  EXPECT_EQ("", log.GetText());
  const char* texts[] = {"Application started", "Error getting mail statistics for a from b: -ERR", "",
                         "last"};
  for (const char* t : texts) log.Append(t);

  std::vector<std::string> lines;
  int total = log.Copy(lines);
  ASSERT_EQ(4u, lines.size());
  int sum = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    sum += static_cast<int>(lines[i].size());
    EXPECT_EQ(lines[i].size(), 23 + strlen(texts[i]));
    EXPECT_EQ(texts[i], lines[i].substr(23));
  }
  EXPECT_EQ(sum, total);

  std::string text = log.GetText();
  EXPECT_EQ(static_cast<size_t>(total) + 2 * lines.size(), text.size());
  EXPECT_EQ(lines[0] + "\r\n", text.substr(0, lines[0].size() + 2));
  EXPECT_EQ("last\r\n", text.substr(text.size() - 6));
}

TEST(AppLog, ConcurrentAppendsKeepEveryLineWhole) {
  CAppLog log;
  const int threads = 6, perThread = 500;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&log, t] {
      std::string text = "worker " + std::to_string(t) + std::string(40 + t * 20, 'a' + t);
      for (int i = 0; i < perThread; ++i) log.Append(text.c_str());
    });
  for (std::thread& w : workers) w.join();

  std::vector<std::string> lines;
  int total = log.Copy(lines);
  ASSERT_EQ(static_cast<size_t>(threads * perThread), lines.size());
  std::vector<int> seen(threads, 0);
  int sum = 0;
  for (const std::string& line : lines) {
    sum += static_cast<int>(line.size());
    ASSERT_GE(line.size(), 31u);
    int t = line[30] - '0';
    ASSERT_GE(t, 0);
    ASSERT_LT(t, threads);
    EXPECT_EQ("worker " + std::to_string(t) + std::string(40 + t * 20, 'a' + t), line.substr(23));
    ++seen[t];
  }
  for (int t = 0; t < threads; ++t) EXPECT_EQ(perThread, seen[t]);
  EXPECT_EQ(sum, total);
}

// A long run keeps the newest lines, led by one that counts the dropped ones;
// the text's size stays bounded however many lines come.
TEST(AppLog, KeepsTheNewestLinesAndCountsTheDroppedOnes) {
  CAppLog small(3);
  small.Append("one");
  EXPECT_EQ("one\r\n", small.GetText().substr(23));
  for (const char* t : {"two", "three", "four"}) small.Append(t);
  std::vector<std::string> lines;
  int total = small.Copy(lines);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("(1 earlier line was dropped)", lines[0]);
  EXPECT_EQ("four", lines[3].substr(23));
  small.Append("five");
  small.Copy(lines);
  EXPECT_EQ("(2 earlier lines were dropped)", lines[0]);
  EXPECT_EQ("three", lines[1].substr(23));

  CAppLog log;
  const std::string text(300, 'x');
  for (size_t i = 0; i < 4 * CAppLog::kMaxLines; ++i) log.Append(text.c_str());
  total = log.Copy(lines);
  ASSERT_EQ(CAppLog::kMaxLines + 1, lines.size());
  EXPECT_EQ(CAppLog::DroppedLine(3 * CAppLog::kMaxLines), lines[0]);
  EXPECT_EQ(static_cast<int>(CAppLog::kMaxLines * CAppLog::kMaxLine + lines[0].size()), total);
  EXPECT_EQ(static_cast<size_t>(total) + 2 * lines.size(), log.GetText().size());
}

TEST(AppLog, GlobalLogExists) {
  std::vector<std::string> before;
  g_appLog.Copy(before);
  g_appLog.Append("global");
  std::vector<std::string> after;
  g_appLog.Copy(after);
  ASSERT_EQ(before.size() + 1, after.size());
  EXPECT_EQ("global", after.back().substr(23));
}
