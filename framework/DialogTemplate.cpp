// Dialog templates with the system's message font.
#include "framework/DialogTemplate.h"

#include <algorithm>
#include <cstring>

#include "framework/Dpi.h"

namespace {
// The fixed head of DLGTEMPLATEEX: version, signature, help id, extended style,
// style, item count, x, y, cx, cy.
constexpr size_t kStyleOffset = 12;
constexpr size_t kHeadSize = 26;

WORD WordAt(const std::vector<BYTE>& data, size_t at) {
  WORD value = 0;
  std::memcpy(&value, &data[at], sizeof value);
  return value;
}

// Skips a string of WCHARs with its terminator; false when it runs off the end.
bool SkipString(const std::vector<BYTE>& data, size_t& at) {
  for (; at + 2 <= data.size(); at += 2)
    if (WordAt(data, at) == 0) {
      at += 2;
      return true;
    }
  return false;
}

// Skips a menu or class field: nothing (0), an ordinal (0xFFFF and a number) or a name.
bool SkipNameOrOrdinal(const std::vector<BYTE>& data, size_t& at) {
  if (at + 2 > data.size()) return false;
  switch (WordAt(data, at)) {
    case 0x0000:
      at += 2;
      return true;
    case 0xFFFF:
      at += 4;
      return at <= data.size();
    default:
      return SkipString(data, at);
  }
}

void AppendWord(std::vector<BYTE>& out, WORD value) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

size_t AlignToDword(size_t at) {
  return (at + 3) & ~static_cast<size_t>(3);
}
}  // namespace

bool SetTemplateFont(std::vector<BYTE>& dialogTemplate, const DialogFont& font) {
  const std::vector<BYTE>& in = dialogTemplate;
  if (in.size() < kHeadSize || WordAt(in, 0) != 1 || WordAt(in, 2) != 0xFFFF) return false;
  DWORD style = 0;
  std::memcpy(&style, &in[kStyleOffset], sizeof style);
  if ((style & DS_SHELLFONT) != DS_SHELLFONT) return false;
  size_t at = kHeadSize;
  if (!SkipNameOrOrdinal(in, at) || !SkipNameOrOrdinal(in, at) || !SkipString(in, at)) return false;
  const size_t fontStart = at;
  at += 6;  // point size, weight, italic, character set
  if (at > in.size() || !SkipString(in, at)) return false;
  // The controls start on the next DWORD and keep their alignment when moved by whole DWORDs.
  const size_t itemsStart = std::min(AlignToDword(at), in.size());

  std::vector<BYTE> out(in.begin(), in.begin() + fontStart);
  AppendWord(out, font.points);
  AppendWord(out, font.weight);
  out.push_back(font.italic);
  out.push_back(font.charset);
  for (wchar_t c : font.face) AppendWord(out, static_cast<WORD>(c));
  AppendWord(out, 0);
  out.resize(AlignToDword(out.size()), 0);
  out.insert(out.end(), in.begin() + itemsStart, in.end());
  dialogTemplate.swap(out);
  return true;
}

bool GetMessageFont(DialogFont& font) {
  NONCLIENTMETRICSW metrics;
  int dpi = 0;
  const LOGFONTW& message = metrics.lfMessageFont;
  if (!GetNonClientMetrics(metrics, dpi) || message.lfFaceName[0] == 0 || message.lfHeight == 0) return false;
  // A negative height is the character height, which is what points measure.
  font.face = message.lfFaceName;
  font.points =
      static_cast<WORD>(MulDiv(message.lfHeight < 0 ? -message.lfHeight : message.lfHeight, 72, dpi));
  font.weight = static_cast<WORD>(message.lfWeight);
  font.italic = message.lfItalic;
  font.charset = message.lfCharSet;
  return font.points > 0;
}

std::vector<BYTE> LoadDialogTemplate(HINSTANCE instance, UINT id) {
  HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  HGLOBAL loaded = info ? LoadResource(instance, info) : nullptr;
  const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!bytes) return {};
  std::vector<BYTE> dialogTemplate(bytes, bytes + SizeofResource(instance, info));
  DialogFont font;
  if (GetMessageFont(font)) SetTemplateFont(dialogTemplate, font);
  return dialogTemplate;
}
