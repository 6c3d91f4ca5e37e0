// The replacement calls and their records.
#include "RecordedCalls.h"

#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>

#include "ImportHook.h"

namespace {

struct Records {
  std::vector<ShellCall> shell;
  std::vector<MenuShown> menus;
  std::vector<OpenFileAsked> openFiles;
  UINT menuChoice = 0;
  std::string file;
  DWORD error = 0;  // what CommDlgExtendedError says about the last dialog
  bool installed = false;
};

// Only the test's own thread shows dialogs, so no lock is needed.
Records& State() {
  static Records records;
  return records;
}

HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
  State().shell.push_back(
      {verb ? verb : "", file ? file : "", parameters != nullptr, directory != nullptr, show});
  // Above 32 is success.
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

BOOL WINAPI RecordTrackPopupMenu(HMENU menu, UINT, int, int, int, HWND owner, const RECT*) {
  MenuShown shown;
  shown.owner = owner;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    shown.items.push_back(text);
  }
  shown.defaultCommand = GetMenuDefaultItem(menu, FALSE, 0);
  State().menus.push_back(shown);
  if (State().menuChoice) PostMessageA(owner, WM_COMMAND, State().menuChoice, 0);
  return TRUE;
}

BOOL WINAPI RecordGetOpenFileName(LPOPENFILENAMEA ofn) {
  OpenFileAsked asked;
  for (const char* p = ofn->lpstrFilter; p && *p; p += lstrlenA(p) + 1) asked.filter.push_back(p);
  asked.room = ofn->nMaxFile;
  asked.name = ofn->lpstrFile;
  asked.folder = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
  State().openFiles.push_back(asked);
  State().error = asked.name.find_first_of("<>|\"*?") != std::string::npos ? FNERR_INVALIDFILENAME : 0;
  if (State().error) return FALSE;
  const std::string& file = State().file;
  if (file.empty() || file.size() >= ofn->nMaxFile) return FALSE;
  lstrcpynA(ofn->lpstrFile, file.c_str(), static_cast<int>(ofn->nMaxFile));
  return TRUE;
}

DWORD WINAPI RecordedDialogError() {
  return State().error;
}

}  // namespace

void CRecordedCalls::Install() {
  Records& state = State();
  state = Records{{}, {}, {}, 0, "", 0, state.installed};
  if (state.installed) return;
  HookImport("shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(RecordShellExecute));
  HookImport("user32.dll", "TrackPopupMenu", reinterpret_cast<void*>(RecordTrackPopupMenu));
  HookImport("comdlg32.dll", "GetOpenFileNameA", reinterpret_cast<void*>(RecordGetOpenFileName));
  HookImport("comdlg32.dll", "CommDlgExtendedError", reinterpret_cast<void*>(RecordedDialogError));
  state.installed = true;
}

std::vector<ShellCall> CRecordedCalls::ShellCalls() {
  return State().shell;
}

void CRecordedCalls::ChooseFromMenu(UINT command) {
  State().menuChoice = command;
}

std::vector<MenuShown> CRecordedCalls::Menus() {
  return State().menus;
}

void CRecordedCalls::ChooseFile(const std::string& path) {
  State().file = path;
}

std::vector<OpenFileAsked> CRecordedCalls::OpenFiles() {
  return State().openFiles;
}
