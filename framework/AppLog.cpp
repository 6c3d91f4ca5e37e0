// The process-wide log.
#include "framework/AppLog.h"

#include "framework/Format.h"

// Defined beside the class so that every program and test linking the log has it.
CAppLog g_appLog;

std::string CAppLog::FormatLine(const SYSTEMTIME& t, const char* text) {
  // The stamp takes 23 characters; a longer message (a server's error text can
  // be anything) is cut so the line stays within the fixed limit.
  std::string line = Format("%02d/%02d/%04d %02d:%02d:%02d    %s", t.wDay, t.wMonth, t.wYear, t.wHour,
                            t.wMinute, t.wSecond, text ? text : "");
  if (line.size() > kMaxLine) line.resize(kMaxLine);
  return line;
}

void CAppLog::Append(const char* text) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::string line = FormatLine(now, text);
  CLock lock(m_lock);
  m_nTotalLength += static_cast<int>(line.size());
  m_lines.push_back(std::move(line));
  if (m_lines.size() > m_nMaxLines) {
    m_nTotalLength -= static_cast<int>(m_lines.front().size());
    m_lines.pop_front();
    ++m_nDropped;
  }
}

std::string CAppLog::DroppedLine(unsigned long long dropped) {
  return Format("(%llu earlier line%s dropped)", dropped, dropped == 1 ? " was" : "s were");
}

int CAppLog::Copy(std::vector<std::string>& lines) const {
  CLock lock(m_lock);
  lines.clear();
  lines.reserve(m_lines.size() + 1);
  int total = m_nTotalLength;
  if (m_nDropped != 0) {
    lines.push_back(DroppedLine(m_nDropped));
    total += static_cast<int>(lines.back().size());
  }
  lines.insert(lines.end(), m_lines.begin(), m_lines.end());
  return total;
}

std::string CAppLog::JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string CAppLog::GetText() const {
  std::vector<std::string> lines;
  Copy(lines);
  return JoinLines(lines);
}
