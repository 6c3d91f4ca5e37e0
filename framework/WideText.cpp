// UTF-8 to and from UTF-16 through the platform's conversion functions.
#include "framework/WideText.h"

#include <winsock2.h>
#include <windows.h>

std::wstring Utf8ToWide(const std::string& utf8) {
  std::wstring wide;
  if (utf8.empty()) return wide;
  int size = static_cast<int>(utf8.size());
  int wideSize = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (wideSize <= 0) return wide;
  wide.resize(wideSize);
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], wideSize);
  return wide;
}

std::string WideToUtf8(const std::wstring& wide) {
  std::string utf8;
  if (wide.empty()) return utf8;
  int size = static_cast<int>(wide.size());
  int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (utf8Size <= 0) return utf8;
  utf8.resize(utf8Size);
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &utf8[0], utf8Size, nullptr, nullptr);
  return utf8;
}
