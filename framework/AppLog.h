// The process-wide log: time-stamped lines kept in memory for the life of the
// process, appended from any thread. Only the newest lines are kept.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "framework/CriticalSection.h"

class CAppLog {
 public:
  // Formatted lines never exceed this many characters (the message is cut to fit).
  static constexpr size_t kMaxLine = 255;
  // Lines kept: a server failing every few seconds for days must not grow
  // the process without end; this is well over a day of one failing account
  // at the shortest spacing of failed checks, and under 1 MB.
  static constexpr size_t kMaxLines = 3000;

  explicit CAppLog(size_t maxLines = kMaxLines) : m_nMaxLines(maxLines ? maxLines : 1) {}
  CAppLog(const CAppLog&) = delete;
  CAppLog& operator=(const CAppLog&) = delete;

  // Adds one line stamped with the local time; the oldest line goes when
  // the log is full.
  void Append(const char* text);
  // Copies the lines, oldest first, led by one line saying how many earlier
  // ones were dropped (when any were); returns the sum of their lengths.
  int Copy(std::vector<std::string>& lines) const;
  // The whole log as one text, each line ended by CR LF.
  std::string GetText() const;

  // "dd/mm/yyyy hh:mm:ss    text", cut to kMaxLine characters.
  static std::string FormatLine(const SYSTEMTIME& time, const char* text);
  static std::string JoinLines(const std::vector<std::string>& lines);
  // "(n earlier lines were dropped)", the line that stands for them.
  static std::string DroppedLine(unsigned long long dropped);

 private:
  const size_t m_nMaxLines;
  mutable CCriticalSection m_lock;
  std::deque<std::string> m_lines;
  int m_nTotalLength = 0;
  unsigned long long m_nDropped = 0;
};

extern CAppLog g_appLog;
