// Common-control readers across processes.
#include "RemoteControls.h"

#include <commctrl.h>

#include "AppDriver.h"

namespace {

constexpr SIZE_T kTextOffset = 256, kTextSize = 1024;

DWORD OwnerPid(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::string CellText(HWND listView, CRemoteBuffer& remote, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = remote.Address() + kTextOffset;
  item.cchTextMax = static_cast<int>(kTextSize);
  remote.Write(0, &item, sizeof item);
  LRESULT length = SendMessageA(listView, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.Address()));
  std::string text(static_cast<size_t>(length), '\0');
  if (length > 0) remote.Read(kTextOffset, &text[0], text.size());
  return text;
}

// The text as the control holds it, in UTF-16, whatever the system's code page.
std::wstring CellTextW(HWND listView, CRemoteBuffer& remote, int row, int column) {
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.Address() + kTextOffset);
  item.cchTextMax = static_cast<int>(kTextSize / sizeof(wchar_t));
  remote.Write(0, &item, sizeof item);
  LRESULT length = SendMessageW(listView, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.Address()));
  std::wstring text(static_cast<size_t>(length), L'\0');
  if (length > 0) remote.Read(kTextOffset, &text[0], text.size() * sizeof(wchar_t));
  return text;
}

template <class Text>
std::vector<std::vector<Text>> Rows(HWND listView,
                                    Text (*cell)(HWND listView, CRemoteBuffer& remote, int row, int column)) {
  std::vector<std::vector<Text>> rows;
  CRemoteBuffer remote(OwnerPid(listView), kTextOffset + kTextSize);
  if (!remote.Valid()) return rows;
  HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
  int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  int count = static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    rows.emplace_back();
    for (int column = 0; column < columns; ++column)
      rows.back().push_back(cell(listView, remote, row, column));
  }
  return rows;
}

}  // namespace

std::vector<std::vector<std::string>> ListViewRows(HWND listView) {
  return Rows(listView, CellText);
}

std::vector<std::vector<std::wstring>> ListViewRowsW(HWND listView) {
  return Rows(listView, CellTextW);
}

std::vector<int> ListViewSelection(HWND listView) {
  std::vector<int> selected;
  int row = -1;
  while ((row = static_cast<int>(SendMessageA(listView, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0)
    selected.push_back(row);
  return selected;
}

std::vector<ToolbarButton> ToolbarButtons(HWND toolbar) {
  std::vector<ToolbarButton> buttons;
  CRemoteBuffer remote(OwnerPid(toolbar), kTextOffset + kTextSize);
  if (!remote.Valid()) return buttons;
  int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button = {};
    if (!SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(remote.Address())) ||
        !remote.Read(0, &button, sizeof button) || (button.fsStyle & BTNS_SEP))
      continue;
    std::string text;
    LRESULT length = SendMessageA(toolbar, TB_GETBUTTONTEXTA, button.idCommand,
                                  reinterpret_cast<LPARAM>(remote.Address() + kTextOffset));
    if (length > 0 && static_cast<SIZE_T>(length) < kTextSize) {
      text.resize(static_cast<size_t>(length));
      remote.Read(kTextOffset, &text[0], text.size());
    }
    buttons.push_back({button.idCommand, (button.fsState & TBSTATE_ENABLED) != 0,
                       (button.fsState & TBSTATE_CHECKED) != 0, text});
  }
  return buttons;
}

std::vector<std::string> StatusBarTexts(HWND statusBar) {
  std::vector<std::string> texts;
  CRemoteBuffer remote(OwnerPid(statusBar), kTextSize);
  if (!remote.Valid()) return texts;
  int parts = static_cast<int>(SendMessageA(statusBar, SB_GETPARTS, 0, 0));
  for (int part = 0; part < parts; ++part) {
    size_t length = LOWORD(SendMessageA(statusBar, SB_GETTEXTLENGTHA, part, 0));
    std::string text(length < kTextSize ? length : 0, '\0');
    SendMessageA(statusBar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote.Address()));
    if (!text.empty()) remote.Read(0, &text[0], text.size());
    texts.push_back(text);
  }
  return texts;
}

bool SelectListViewRows(HWND listView, const std::vector<int>& rows) {
  CRemoteBuffer remote(OwnerPid(listView), sizeof(LVITEMA));
  if (!remote.Valid()) return false;
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  const LPARAM address = reinterpret_cast<LPARAM>(remote.Address());
  bool ok = remote.Write(0, &item, sizeof item) && SendMessageA(listView, LVM_SETITEMSTATE, -1, address);
  for (int row : rows) {
    item.state = LVIS_SELECTED | (row == rows.front() ? LVIS_FOCUSED : 0);
    ok = ok && remote.Write(0, &item, sizeof item) && SendMessageA(listView, LVM_SETITEMSTATE, row, address);
  }
  return ok;
}

bool HeadingRect(HWND listView, int column, RECT& client) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
  CRemoteBuffer remote(OwnerPid(listView), sizeof(RECT));
  return header && remote.Valid() &&
         SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(remote.Address())) &&
         remote.Read(0, &client, sizeof client);
}
