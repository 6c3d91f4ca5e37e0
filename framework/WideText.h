// The program's UTF-8 texts and the UTF-16 of the W forms of the window
// calls: texts from mail stay UTF-8 inside and change form only at that edge.
#pragma once

#include <string>

// Ill-formed UTF-8 gives U+FFFD where it is ill-formed.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);
