// ISO-2022-JP, the charset of most Japanese mail, re-encoded as Shift_JIS.
#pragma once

#include <string>

// Re-encodes text that switches between ASCII (or JIS-Roman), JIS X 0208
// and half-width katakana by escape sequences. A JIS X 0212 character, which
// Shift_JIS lacks, becomes "?". False for a byte or escape sequence that
// ISO-2022-JP does not have, or a two-byte character cut short.
bool Iso2022JpToShiftJis(const std::string& text, std::string& shiftJis);
