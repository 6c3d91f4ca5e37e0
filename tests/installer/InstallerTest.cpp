// The setup program as an administrator runs it, silently, in a wine prefix of
// its own: install, start the installed program and open the guide from its
// about box, install again over it while it runs, uninstall while it runs.
#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "AppDriver.h"
#include "ScriptedServer.h"  // WinePath
#include "res/resource.h"

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidewell";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "Venterly-Tidewell";
constexpr char kProgramKey[] = "Software\\Venterly\\Tidewell";
// Setup unpacks, and may wait up to 15 s for a running Tidewell to end.
constexpr DWORD kSetupWaitMs = 120000;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// 64-bit Windows gets the 64-bit program in the 64-bit Program Files, also
// when this test is a 32-bit program.
std::string InstallDir() {
  char path[MAX_PATH] = "";
  if (!GetEnvironmentVariableA("ProgramW6432", path, MAX_PATH))
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, path);
  return std::string(path) + "\\Tidewell";
}

std::string Shortcut() {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, path);
  return std::string(path) + "\\Tidewell.lnk";
}

// Runs the program with its arguments and waits for it; its exit code, or
// STILL_ACTIVE when it did not end in time.
DWORD RunAndWait(const std::string& exe, const std::string& args) {
  std::string commandLine = "\"" + exe + "\" " + args;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return GetLastError();
  CUniqueHandle process(info.hProcess), thread(info.hThread);
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(info.hProcess, kSetupWaitMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(info.hProcess, &code);
  return code;
}

// The uninstall entry, seen as 64-bit Windows' own programs see it; nullptr if
// there is none.
HKEY OpenEntry() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

bool EntryExists() {
  HKEY key = OpenEntry();
  if (key) RegCloseKey(key);
  return key != nullptr;
}

// A value of the uninstall entry as text ("" when missing), numbers in decimal.
std::string EntryValue(const char* name) {
  HKEY key = OpenEntry();
  if (!key) return "";
  char buffer[MAX_PATH] = "";
  DWORD type = REG_NONE, size = sizeof buffer - 1;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return "";
  if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(buffer));
  return type == REG_SZ ? std::string(buffer) : std::string();
}

bool RunValueExists() {
  return RegGetValueA(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

// Starts the installed program with the intro off and waits for its tray icon.
void StartInstalled(CAppProcess& app, const std::string& exe) {
  ASSERT_TRUE(SetSettingDword("ShowIntro", 0));
  ASSERT_TRUE(app.Launch(exe)) << exe;
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (main = app.MainWindow()) != nullptr; }));
  EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(main, IDR_TRAYMENU); })) << "no tray icon";
}

// The guide goes to whatever the shell opens .html with: under wine a browser
// of the host's, of which this prefix is given none, so no window outlives the test.
void WithoutBrowser() {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, &key, nullptr));
  const char none[] = "tidewell-test-no-browser";
  RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(none), sizeof none);
  RegCloseKey(key);
}

// Opens the about box from the main window's command.
HWND OpenAbout(const CAppProcess& app, HWND main) {
  PostCommand(main, ID_APP_ABOUT);
  HWND about = nullptr;
  EXPECT_TRUE(app.WaitFor([&] {
    about = app.FindTopWindow("#32770", "About Tidewell");
    return about && IsWindowVisible(about);
  }));
  return about;
}

// A sent click returns once the button's handler is done, and so not while a
// message box it opened is up: its return shows that none was.
bool PressUserGuideWithoutMessage(HWND about) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(GetDlgItem(about, IDC_USERGUIDE), BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs,
                             &result) != 0;
}

class SetupE2E : public ::testing::Test {
 protected:
  const std::string m_dir = InstallDir();
  const std::string m_exe = m_dir + "\\Tidewell.exe";
  const std::string m_setup = WinePath(TIDEWELL_SETUP);
};

TEST_F(SetupE2E, SilentInstallUpgradeOverRunningProgramAndUninstall) {
  ASSERT_EQ(0u, RunAndWait(m_setup, "/S"));
  for (const char* file : {"Tidewell.exe", "index.html", "images\\1-intro.png", "Uninstall.exe"})
    EXPECT_TRUE(Exists(m_dir + "\\" + file)) << file;
  EXPECT_TRUE(Exists(Shortcut()));
  EXPECT_EQ("Tidewell", EntryValue("DisplayName"));
  EXPECT_EQ(TIDEWELL_VERSION_TEXT, EntryValue("DisplayVersion"));
  EXPECT_EQ("Venterly", EntryValue("Publisher"));
  EXPECT_EQ(m_exe + ",0", EntryValue("DisplayIcon"));
  EXPECT_GT(atoi(EntryValue("EstimatedSize").c_str()), 0) << "size in KB";

  // The about box finds the guide beside the installed program, and says so
  // when it is gone. An upgrade closes the running program before it replaces
  // it, and brings the guide back.
  {
    CAppProcess app;
    ASSERT_NO_FATAL_FAILURE(StartInstalled(app, m_exe));
    ASSERT_NO_FATAL_FAILURE(WithoutBrowser());
    HWND about = OpenAbout(app, app.MainWindow());
    ASSERT_TRUE(about);
    EXPECT_TRUE(PressUserGuideWithoutMessage(about)) << "the guide was not handed to the shell";
    ASSERT_TRUE(DeleteFileA((m_dir + "\\index.html").c_str()));
    PostMessageA(GetDlgItem(about, IDC_USERGUIDE), BM_CLICK, 0, 0);
    std::string text;
    EXPECT_TRUE(app.AnswerMessageBox("Tidewell", IDOK, &text)) << app.WindowTree();
    EXPECT_NE(std::string::npos, text.find("User guide not found")) << text;
    PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(app.WaitFor([&] { return !IsWindow(about); }));

    EXPECT_EQ(0u, RunAndWait(m_setup, "/S"));
    DWORD code = 1;
    EXPECT_TRUE(app.WaitForExit(code, 5000)) << "setup left the program running";
    EXPECT_TRUE(Exists(m_exe));
    EXPECT_TRUE(Exists(m_dir + "\\index.html"));
  }

  // The uninstaller, too, closes the program; it takes the Run-at-login value
  // with it and leaves the accounts and settings.
  CAppProcess app;
  ASSERT_NO_FATAL_FAILURE(StartInstalled(app, m_exe));
  HKEY run = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                           &run, nullptr));
  RegSetValueExA(run, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_exe.c_str()),
                 static_cast<DWORD>(m_exe.size() + 1));
  RegCloseKey(run);
  // The uninstaller hands over to a copy of itself and returns at once.
  ASSERT_EQ(0u, RunAndWait(m_dir + "\\Uninstall.exe", "/S"));
  EXPECT_TRUE(WaitUntil([&] { return !Exists(m_dir) && !EntryExists(); }, kSetupWaitMs))
      << "folder or uninstall entry left";
  DWORD code = 1;
  EXPECT_TRUE(app.WaitForExit(code, 5000)) << "the uninstaller left the program running";
  EXPECT_FALSE(Exists(Shortcut()));
  EXPECT_FALSE(RunValueExists());
  HKEY program = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_READ, &program));
  if (program) RegCloseKey(program);
}

}  // namespace
