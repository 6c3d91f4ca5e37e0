// The process-wide log: time-stamped lines kept in memory for the life of the
// process, appended from any thread.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/CriticalSection.h"

class CAppLog {
 public:
  // Formatted lines never exceed this many characters (the message is cut to fit).
  static constexpr size_t kMaxLine = 255;

  CAppLog() = default;
  CAppLog(const CAppLog&) = delete;
  CAppLog& operator=(const CAppLog&) = delete;

  // Adds one line stamped with the local time.
  void Append(const char* text);
  // Copies every line, oldest first; returns the sum of their lengths.
  int Copy(std::vector<std::string>& lines) const;
  // The whole log as one text, each line ended by CR LF.
  std::string GetText() const;

  // "dd/mm/yyyy hh:mm:ss    text", cut to kMaxLine characters.
  static std::string FormatLine(const SYSTEMTIME& time, const char* text);
  static std::string JoinLines(const std::vector<std::string>& lines);

 private:
  mutable CCriticalSection m_lock;
  std::vector<std::string> m_lines;
  int m_nTotalLength = 0;
};

extern CAppLog g_appLog;
