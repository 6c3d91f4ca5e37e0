// ISO-2022-JP to Shift_JIS: both encode the same JIS X 0208 rows and cells.
#include "pop3/Iso2022Jp.h"

namespace {

enum class Mode { kSingleByte, kJis0208, kKatakana, kJis0212 };

struct Escape {
  const char* sequence;  // after the ESC
  Mode mode;
};

const Escape kEscapes[] = {
    {"(B", Mode::kSingleByte}, {"(J", Mode::kSingleByte}, {"$@", Mode::kJis0208},
    {"$B", Mode::kJis0208},    {"(I", Mode::kKatakana},   {"$(D", Mode::kJis0212},
};

// Reads the escape sequence whose ESC is at text[at]; moves at past it.
bool ReadEscape(const std::string& text, size_t& at, Mode& mode) {
  for (const Escape& escape : kEscapes) {
    std::string sequence(escape.sequence);
    if (text.compare(at + 1, sequence.size(), sequence) == 0) {
      at += 1 + sequence.size();
      mode = escape.mode;
      return true;
    }
  }
  return false;
}

// Row and cell 0x21..0x7E each: two rows share one Shift_JIS lead byte, the
// odd row taking the lower half of its trail bytes (skipping 0x7F).
void AppendShiftJis(unsigned row, unsigned cell, std::string& out) {
  unsigned lead = (row + 1) / 2 + (row < 0x5F ? 0x70 : 0xB0);
  unsigned trail = (row & 1) ? cell + (cell < 0x60 ? 0x1F : 0x20) : cell + 0x7E;
  out += static_cast<char>(lead);
  out += static_cast<char>(trail);
}

bool IsGraphic(unsigned char c) {
  return c >= 0x21 && c <= 0x7E;
}

}  // namespace

bool Iso2022JpToShiftJis(const std::string& text, std::string& shiftJis) {
  Mode mode = Mode::kSingleByte;
  shiftJis.clear();
  size_t at = 0;
  while (at < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    if (c == 0x1B) {
      if (!ReadEscape(text, at, mode)) return false;
    } else if (c >= 0x80) {
      return false;
    } else if (mode == Mode::kSingleByte || !IsGraphic(c)) {
      shiftJis += static_cast<char>(c);  // blanks and controls pass in every mode
      ++at;
    } else if (mode == Mode::kKatakana) {
      if (c > 0x5F) return false;
      shiftJis += static_cast<char>(c + 0x80);
      ++at;
    } else {
      if (at + 1 >= text.size() || !IsGraphic(static_cast<unsigned char>(text[at + 1]))) return false;
      if (mode == Mode::kJis0212) {
        shiftJis += '?';
      } else {
        AppendShiftJis(c, static_cast<unsigned char>(text[at + 1]), shiftJis);
      }
      at += 2;
    }
  }
  return true;
}
