// Test-side driver of a running Tidewell.exe.
#include "AppDriver.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "ScriptedServer.h"  // EnvString, WinePath
#include "res/resource.h"

namespace {

constexpr char kProgramKey[] = "Software\\Venterly\\Tidewell";
constexpr char kSettingsKey[] = "Software\\Venterly\\Tidewell\\Settings";

struct WindowQuery {
  DWORD pid;
  const char* className;
  const char* title;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<WindowQuery*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != query->pid) return TRUE;
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  if (query->className && lstrcmpiA(name, query->className) != 0) return TRUE;
  if (query->title && WindowText(window) != query->title) return TRUE;
  query->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopWindowsOf(DWORD pid, const char* className, const char* title) {
  WindowQuery query{pid, className, title, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// One line per window: class, text, control id, visibility and screen rectangle.
// The text is the one the system keeps, which needs no answer from a program
// that may be hung.
void DescribeTree(HWND window, int depth, std::string& out) {
  char text[81] = "";
  GetWindowTextA(window, text, sizeof text);
  RECT r = {};
  GetWindowRect(window, &r);
  char place[96];
  snprintf(place, sizeof place, " id=%d %s (%ld,%ld %ldx%ld)\n", GetDlgCtrlID(window),
           IsWindowVisible(window) ? "visible" : "hidden", r.left, r.top, r.right - r.left, r.bottom - r.top);
  out += std::string(2 * depth, ' ') + ClassOf(window) + " \"" + text + "\"" + place;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    DescribeTree(child, depth + 1, out);
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<WindowQuery*>(param);
  if (query->className && lstrcmpiA(ClassOf(window).c_str(), query->className) != 0) return TRUE;
  if (query->title && WindowText(window) != query->title) return TRUE;
  query->found.push_back(window);
  return FALSE;
}

// Every tool text of one tooltip window of the shell; pointers in the messages
// must point into the shell's own memory.
void CollectToolTexts(HWND tooltip, DWORD pid, std::vector<std::string>& texts, bool anyTool = false) {
  constexpr SIZE_T kTextOffset = 256, kTextSize = 1024;
  CRemoteBuffer remote(pid, kTextOffset + kTextSize);
  if (!remote.Valid()) return;
  int count = static_cast<int>(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TTTOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.lpszText = remote.Address() + kTextOffset;
    char text[kTextSize] = "";
    remote.Write(0, &info, sizeof info);
    remote.Write(kTextOffset, text, sizeof text);
    if (!SendMessageA(tooltip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(remote.Address()))) continue;
    // The shell may keep the tooltip of a removed icon: its tool window is gone
    // or its rectangle empty.
    remote.Read(0, &info, sizeof info);
    bool shown = (info.uFlags & TTF_IDISHWND) ? IsWindowVisible(reinterpret_cast<HWND>(info.uId)) != FALSE
                                              : !IsRectEmpty(&info.rect);
    if (!shown && !anyTool) continue;
    remote.Read(kTextOffset, text, sizeof text);
    text[kTextSize - 1] = '\0';
    texts.push_back(text);
  }
}

}  // namespace

std::string TidewellExe() {
  std::string exe = EnvString("TIDEWELL_EXE");
  if (exe.empty()) exe = TIDEWELL_EXE_BUILT;
  return exe[0] == '/' ? WinePath(exe) : exe;
}

CAppProcess::~CAppProcess() {
  if (Running()) {
    TerminateProcess(m_hProcess.Get(), 1);
    WaitForSingleObject(m_hProcess.Get(), kWaitMs);
  }
}

bool CAppProcess::Launch(const std::string& exe) {
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return false;
  CloseHandle(info.hThread);
  m_hProcess.Reset(info.hProcess);
  m_nPid = info.dwProcessId;
  return true;
}

bool CAppProcess::Running() const {
  return m_hProcess.Valid() && WaitForSingleObject(m_hProcess.Get(), 0) == WAIT_TIMEOUT;
}

bool CAppProcess::WaitForExit(DWORD& code, DWORD timeoutMs) {
  if (!m_hProcess.Valid() || WaitForSingleObject(m_hProcess.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(m_hProcess.Get(), &code) != FALSE;
}

std::vector<HWND> CAppProcess::Windows(const char* className, const char* title) const {
  return TopWindowsOf(m_nPid, className, title);
}

HWND CAppProcess::FindTopWindow(const char* className, const char* title) const {
  std::vector<HWND> windows = Windows(className, title);
  return windows.empty() ? nullptr : windows.front();
}

HWND CAppProcess::MainWindow() const {
  for (HWND window : Windows("#32770", nullptr)) {
    if (GetDlgItem(window, IDC_PRODUCT)) return window;
  }
  return nullptr;
}

HWND CAppProcess::PopupMenu() const {
  for (HWND window : Windows("#32768", nullptr)) {
    if (IsWindowVisible(window)) return window;
  }
  return nullptr;
}

bool CAppProcess::AnswerMessageBox(const char* caption, int button, std::string* text,
                                   DWORD timeoutMs) const {
  HWND box = nullptr;
  auto shown = [&] {
    for (HWND window : Windows("#32770", caption))
      if (IsWindowVisible(window) && GetDlgItem(window, button)) return (box = window) != nullptr;
    return false;
  };
  if (!WaitUntil(shown, timeoutMs)) return false;
  if (text) {
    text->clear();
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0) *text += WindowText(child);
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  return true;
}

std::string CAppProcess::WindowTree() const {
  std::string tree = "windows of process " + std::to_string(m_nPid) + ":\n";
  for (HWND window : Windows(nullptr, nullptr)) DescribeTree(window, 1, tree);
  return tree;
}

::testing::AssertionResult CAppProcess::WaitFor(const std::function<bool()>& condition,
                                                DWORD timeoutMs) const {
  if (WaitUntil(condition, timeoutMs)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "gave up after " << timeoutMs << " ms; " << WindowTree();
}

std::string WindowText(HWND window) {
  // The length comes first, so that a long text (the log) is read whole.
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? WindowText(item) : std::string();
}

HWND FindChild(HWND parent, const char* className, const char* text) {
  WindowQuery query{0, className, text, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&query));
  return query.found.empty() ? nullptr : query.found.front();
}

CRemoteBuffer::CRemoteBuffer(DWORD pid, SIZE_T size)
    : m_hProcess(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)) {
  if (m_hProcess.Valid())
    m_pAddress = static_cast<char*>(
        VirtualAllocEx(m_hProcess.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

CRemoteBuffer::~CRemoteBuffer() {
  if (m_pAddress) VirtualFreeEx(m_hProcess.Get(), m_pAddress, 0, MEM_RELEASE);
}

bool CRemoteBuffer::Write(SIZE_T offset, const void* data, SIZE_T size) {
  return m_pAddress && WriteProcessMemory(m_hProcess.Get(), m_pAddress + offset, data, size, nullptr);
}

bool CRemoteBuffer::Read(SIZE_T offset, void* data, SIZE_T size) const {
  return m_pAddress && ReadProcessMemory(m_hProcess.Get(), m_pAddress + offset, data, size, nullptr);
}

std::vector<std::string> TrayTooltips() {
  std::vector<std::string> texts;
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (!tray) return texts;
  DWORD shellPid = 0;
  GetWindowThreadProcessId(tray, &shellPid);
  for (HWND tooltip : TopWindowsOf(shellPid, TOOLTIPS_CLASSA, nullptr)) {
    // A balloon's tool carries the balloon text, not the icon's tooltip.
    if (GetWindowLongA(tooltip, GWL_STYLE) & TTS_BALLOON) continue;
    CollectToolTexts(tooltip, shellPid, texts);
  }
  return texts;
}

std::vector<std::string> TrayBalloons() {
  std::vector<std::string> texts;
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (!tray) return texts;
  DWORD shellPid = 0;
  GetWindowThreadProcessId(tray, &shellPid);
  for (HWND tooltip : TopWindowsOf(shellPid, TOOLTIPS_CLASSA, nullptr))
    if ((GetWindowLongA(tooltip, GWL_STYLE) & TTS_BALLOON) && IsWindowVisible(tooltip))
      CollectToolTexts(tooltip, shellPid, texts, true);
  return texts;
}

bool TrayIconExists(HWND owner, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void PostCommand(HWND window, UINT id) {
  PostMessageA(window, WM_COMMAND, id, 0);
}

void PostTrayMouse(HWND window, UINT iconId, UINT callbackMessage, UINT mouseMessage) {
  PostMessageA(window, callbackMessage, iconId, mouseMessage);
}

void PostKey(HWND window, WORD vk) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(window, WM_KEYDOWN, vk, 1 | scan);
  PostMessageA(window, WM_KEYUP, vk, 1 | scan | static_cast<LPARAM>(0xC0000000u));
}

bool PressKey(WORD vk, HWND window) {
  if (window) {
    SetForegroundWindow(window);
    if (!WaitUntil([window] { return GetForegroundWindow() == window; }, 5000)) return false;
  }
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = vk;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, keys, sizeof(INPUT)) == 2;
}

void DeleteProgramKey() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
}

bool SetSettingDword(const char* name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool ReadSettingDword(const char* name, DWORD& value) {
  DWORD size = sizeof value, type = REG_NONE;
  LONG rc = RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_DWORD, &type, &value, &size);
  return rc == ERROR_SUCCESS;
}
