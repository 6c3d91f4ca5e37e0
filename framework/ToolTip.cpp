// Dialog tooltips.
#include "framework/ToolTip.h"

#include "framework/App.h"

namespace {
BOOL CALLBACK AddTool(HWND child, LPARAM lp) {
  HWND tip = reinterpret_cast<HWND>(lp);
  HWND dialog = GetWindow(tip, GW_OWNER);
  if (GetParent(child) != dialog) return TRUE;  // controls of nested windows are not ours
  TOOLINFOA tool = {};
  // The version-2 layout: accepted by every common-controls version.
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(child);
  tool.lpszText = LPSTR_TEXTCALLBACKA;
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  return TRUE;
}
}  // namespace

bool CToolTip::Create(HWND dialog) {
  m_hWnd = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                           AppInstance(), nullptr);
  if (!m_hWnd) return false;
  EnumChildWindows(dialog, AddTool, reinterpret_cast<LPARAM>(m_hWnd));
  return true;
}

bool AnswerToolTip(NMHDR* hdr, const ToolTipText* table, std::size_t count) {
  if (hdr->code != TTN_NEEDTEXTA) return false;
  auto* info = reinterpret_cast<NMTTDISPINFOA*>(hdr);
  if (!(info->uFlags & TTF_IDISHWND)) return false;
  int id = GetDlgCtrlID(reinterpret_cast<HWND>(hdr->idFrom));
  for (std::size_t i = 0; i < count; ++i) {
    if (table[i].id != id) continue;
    // The texts are constants of the program: the tooltip may keep the pointer.
    info->lpszText = const_cast<char*>(table[i].text);
    info->hinst = nullptr;
    return true;
  }
  return false;
}
