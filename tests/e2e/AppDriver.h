// Drives the real Tidewell.exe from a test program: starts it, finds its windows,
// sends what a user's clicks and keys would send, and reads texts back.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "WaitUntil.h"
#include "framework/Handles.h"

// Tidewell.exe as wine sees it: TIDEWELL_EXE from the environment, else the
// program built in this test tree.
std::string TidewellExe();

// One run of the program. Ends it on destruction if it is still running, so a
// failed case does not leave its tray icon to the next.
class CAppProcess {
 public:
  CAppProcess() = default;
  ~CAppProcess();
  CAppProcess(const CAppProcess&) = delete;
  CAppProcess& operator=(const CAppProcess&) = delete;

  bool Launch(const std::string& exe);
  bool Running() const;
  // True once the process has ended within the time-out; its exit code in code.
  bool WaitForExit(DWORD& code, DWORD timeoutMs = kWaitMs);
  DWORD Pid() const { return m_nPid; }

  // This process's top-level windows of the class (nullptr: any) whose caption
  // is title (nullptr: any).
  std::vector<HWND> Windows(const char* className, const char* title) const;
  HWND FindTopWindow(const char* className, const char* title) const;
  // The main window: the dialog that holds the product label, visible or not.
  HWND MainWindow() const;
  // The open pop-up menu of this process, or nullptr.
  HWND PopupMenu() const;

  // Waits for this process's message box of the caption, reads its text into
  // text (when given) and presses its button (IDOK, IDYES...).
  bool AnswerMessageBox(const char* caption, int button, std::string* text = nullptr,
                        DWORD timeoutMs = kWaitMs) const;
  // Every window of this process, one line each, children indented under
  // their parent: what a failed wait shows.
  std::string WindowTree() const;
  // WaitUntil whose failure carries the window tree.
  ::testing::AssertionResult WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs) const;

 private:
  CUniqueHandle m_hProcess;
  DWORD m_nPid = 0;
};

// WM_GETTEXT, which the system carries across processes.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// The first window below parent, at any depth, of the class (nullptr: any)
// whose text is text (nullptr: any); nullptr when there is none.
HWND FindChild(HWND parent, const char* className, const char* text = nullptr);

// A block of memory inside another process, for messages whose pointers the
// system does not carry across (common-control messages).
class CRemoteBuffer {
 public:
  CRemoteBuffer(DWORD pid, SIZE_T size);
  ~CRemoteBuffer();
  CRemoteBuffer(const CRemoteBuffer&) = delete;
  CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

  bool Valid() const { return m_pAddress != nullptr; }
  char* Address() const { return m_pAddress; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size);
  bool Read(SIZE_T offset, void* data, SIZE_T size) const;

 private:
  CUniqueHandle m_hProcess;
  char* m_pAddress = nullptr;
};

// The tooltip texts of the icons the notification area shows, read from the shell's
// own tooltip windows.
std::vector<std::string> TrayTooltips();
// The texts of the balloons the notification area shows now.
std::vector<std::string> TrayBalloons();
// Whether the shell holds an icon of this owner window and id (a modify that
// changes nothing succeeds only for an icon the shell knows).
bool TrayIconExists(HWND owner, UINT id);

// The user's input as it reaches the program.
void PostCommand(HWND window, UINT id);
void PostTrayMouse(HWND window, UINT iconId, UINT callbackMessage, UINT mouseMessage);
// A key press and release posted to a window: how keys reach an open menu,
// whose loop reads the program's queue whatever window is in front.
void PostKey(HWND window, WORD vk);
// A key press and release through the system's input queue, as from the
// keyboard: to the window given, brought to the front first, or to whatever is
// in front (an open menu).
bool PressKey(WORD vk, HWND window = nullptr);

// The program's registry section under HKCU\Software\Venterly\Tidewell.
void DeleteProgramKey();
bool SetSettingDword(const char* name, DWORD value);
bool ReadSettingDword(const char* name, DWORD& value);
