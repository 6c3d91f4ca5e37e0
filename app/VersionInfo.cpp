// Reading the program's version resource.
#include "app/VersionInfo.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "store/ModulePath.h"

namespace {
const char* const kKeys[6] = {"ProductName",    "ProductVersion", "InternalName",
                              "LegalCopyright", "Comments",       "CompanyName"};
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
