#include "store/ModulePath.h"

#include <winsock2.h>
#include <windows.h>

#include <vector>

std::string ModulePath() {
  // MAX_PATH is only where the buffer starts: a cut path would name another file.
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) return std::string(path.data(), n);
    if (path.size() >= 32768) return std::string();
    path.resize(path.size() * 2);
  }
}
