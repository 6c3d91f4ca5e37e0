// The platform's code pages through the Windows code-page conversion functions.
#include "pop3/AnsiCodePage.h"

#include <windows.h>

namespace {

// Through UTF-16, the only way the platform converts between two code pages.
// The texts are header values, far from the int lengths the calls take.
bool Convert(UINT codePage, const std::string& text, std::string& utf8) {
  utf8.clear();
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

size_t AnsiCharLength(const char* text) {
  return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

bool ConvertToUtf8(unsigned codePage, const std::string& text, std::string& utf8) {
  // Code page 0 would be CP_ACP to the platform; to the caller it is no code page at all.
  if (codePage == 0 || !IsValidCodePage(codePage)) return false;
  if (text.empty()) {
    utf8.clear();
    return true;
  }
  return Convert(codePage, text, utf8);
}

std::string AnsiToUtf8(const std::string& text) {
  std::string utf8;
  if (text.empty() || Convert(CP_ACP, text, utf8)) return utf8;
  // Every byte means something in the ANSI code page, so only a lack of
  // memory gets here; the result must still be UTF-8.
  for (char c : text) utf8 += static_cast<unsigned char>(c) < 0x80 ? c : '?';
  return utf8;
}
