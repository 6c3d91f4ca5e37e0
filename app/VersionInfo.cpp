// Reading the program's version resource.
#include "app/VersionInfo.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {
const char* const kKeys[6] = {"ProductName",    "ProductVersion", "InternalName",
                              "LegalCopyright", "Comments",       "CompanyName"};

std::string ModulePath() {
  // Long enough for any path, not just MAX_PATH ones.
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) return std::string(path.data(), n);
    if (path.size() >= 32768) return std::string();
    path.resize(path.size() * 2);
  }
}
}  // namespace

CVersionInfo::CVersionInfo() {
  Read(ModulePath().c_str());
}

CVersionInfo::CVersionInfo(const char* path) {
  Read(path);
}

void CVersionInfo::Read(const char* path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path, 0, size, block.data())) return;

  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                      &length) ||
      length < 2 * sizeof(WORD))
    return;

  for (int i = 0; i < 6; ++i) {
    char query[256];
    snprintf(query, sizeof query, "\\StringFileInfo\\%04X%04X\\%s", translation[0], translation[1], kKeys[i]);
    char* value = nullptr;
    UINT valueLength = 0;
    if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &valueLength) && value) {
      std::string text(value);
      if (text.size() > kMaxField) text.resize(kMaxField);
      m_fields[i] = text;
    }
  }
}
