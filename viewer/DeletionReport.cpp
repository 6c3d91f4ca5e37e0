// The texts about marked messages that were not deleted.
#include "viewer/DeletionReport.h"

#include <winsock2.h>
#include <windows.h>

#include "framework/Format.h"
#include "framework/WideText.h"

namespace {

// The log is 8-bit text in the ANSI code page; what that lacks becomes "?".
std::string Utf8ToAnsi(const std::string& utf8) {
  std::wstring wide = Utf8ToWide(utf8);
  std::string ansi;
  if (wide.empty()) return ansi;
  int size = static_cast<int>(wide.size());
  int ansiSize = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (ansiSize <= 0) return ansi;
  ansi.resize(ansiSize);
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &ansi[0], ansiSize, nullptr, nullptr);
  return ansi;
}

std::string Why(const DeletionResult& result) {
  switch (result.outcome) {
    case DeletionResult::Changed:
      return "is no longer the one listed; not deleted";
    case DeletionResult::Stopped:
      return "not deleted: the program was closing";
    case DeletionResult::Refused:
    case DeletionResult::Lost:
      if (result.error.empty()) return "not deleted: the account's mail list was not fetched";
      return "not deleted: " + FirstLineOf(result.error.c_str());
    default:
      return "not deleted";
  }
}

}  // namespace

bool IsNotDeleted(DeletionResult::Outcome outcome) {
  return outcome != DeletionResult::Deleted && outcome != DeletionResult::Gone;
}

std::string DeletionLogLine(const std::string& account, const std::string& host, int number,
                            const DeletionResult& result, const std::string& subjectUtf8) {
  if (result.outcome == DeletionResult::Deleted) return std::string();
  // Blanks for line ends and control bytes, as for a server's text.
  std::string subject = FirstLineOf(Utf8ToAnsi(subjectUtf8).c_str());
  if (result.outcome == DeletionResult::Gone) {
    return Format("Deleting mail for %s from %s: message %d is no longer on the server. Subject:%s",
                  account.c_str(), host.c_str(), number, subject.c_str());
  }
  return Format("Error deleting mail for %s from %s: message %d %s. Subject:%s", account.c_str(),
                host.c_str(), number, Why(result).c_str(), subject.c_str());
}

std::string NotDeletedText(int notDeleted, int marked, const std::vector<std::string>& accounts) {
  std::string names;
  for (const std::string& name : accounts) names += (names.empty() ? "" : ", ") + name;
  return Format("%d of %d marked message%s %s not deleted (%s). See the log for details.", notDeleted, marked,
                marked == 1 ? "" : "s", notDeleted == 1 ? "was" : "were", names.c_str());
}
