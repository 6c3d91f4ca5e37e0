// The ANSI code page through the Windows code-page conversion functions.
#include "pop3/AnsiCodePage.h"

#include <windows.h>

size_t AnsiCharLength(const char* text) {
  return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

// Through UTF-16, the only way the platform converts between two code pages.
// The texts are header fields, far from the int lengths the calls take.
bool ConvertToAnsi(unsigned codePage, const std::string& text, std::string& ansi) {
  ansi.clear();
  if (text.empty()) return IsValidCodePage(codePage) != FALSE;
  int size = static_cast<int>(text.size());
  int wideSize = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (wideSize <= 0) return false;
  std::wstring wide(wideSize, L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], wideSize);
  int ansiSize = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
  if (ansiSize <= 0) return false;
  ansi.resize(ansiSize);
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, &ansi[0], ansiSize, nullptr, nullptr);
  return true;
}

namespace {

// Through UTF-16, as ConvertToAnsi; bodies stay far below the int lengths the
// calls take (the preview's byte cap).
bool ConvertCodePageToUtf8(UINT codePage, const std::string& text, std::string& utf8) {
  utf8.clear();
  if (text.empty()) return true;
  int size = static_cast<int>(text.size());
  int wideSize = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (wideSize <= 0) return false;
  std::wstring wide(wideSize, L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], wideSize);
  int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
  if (utf8Size <= 0) return false;
  utf8.resize(utf8Size);
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, &utf8[0], utf8Size, nullptr, nullptr);
  return true;
}

}  // namespace

bool ConvertToUtf8(unsigned codePage, const std::string& text, std::string& utf8) {
  // Code page 0 would be CP_ACP to the platform; to the caller it is no code page at all.
  if (codePage == 0 || !IsValidCodePage(codePage)) return false;
  return ConvertCodePageToUtf8(codePage, text, utf8);
}

std::string AnsiToUtf8(const std::string& text) {
  std::string utf8;
  if (!ConvertCodePageToUtf8(CP_ACP, text, utf8)) utf8.clear();
  return utf8;
}
