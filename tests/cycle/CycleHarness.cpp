// The main window hosted in the test program, and what the tests read from it.
#include "CycleHarness.h"

#include "ScriptedServer.h"
#include "ShellRecorder.h"
#include "WorkerThreadFault.h"
#include "app/TrayIcon.h"
#include "check/CheckCycleState.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "res/resource.h"
#include "store/AccountList.h"

namespace {

// "dd/mm/yyyy hh:mm:ss    " before each log text.
const size_t kStampLength = 23;

void ClearProgramKey() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
}

}  // namespace

void CycleTest::SetUp() {
  CShellRecorder::Install();
  ClearProgramKey();
  g_pSettings = new CSettings();
  g_pAccountList = new CAccountList();
  // Quiet, quick defaults; each test changes what it is about.
  SetSetting(ShowIntro, 0);
  SetSetting(Sound, 0);
  SetSetting(BalloonHelp, 1);
  SetSetting(BalloonTimeout, 0);
  SetSetting(CheckTimeout, 10);
  SetSetting(Period, 1);
  std::vector<std::string> lines;
  g_appLog.Copy(lines);
  m_nLogStart = lines.size();
}

void CycleTest::TearDown() {
  if (m_pDlg) {
    // As "Exit" does: the close handler stops a running worker first.
    if (m_pDlg->hwnd()) SendMessageA(m_pDlg->hwnd(), WM_CLOSE, 0, 0);
    delete m_pDlg;
    m_pDlg = nullptr;
  }
  g_trayIcon.RemoveIcon();
  FailNextWorkerThreads(0);
  delete g_pSettings;
  g_pSettings = nullptr;
  delete g_pAccountList;
  g_pAccountList = nullptr;
  m_live.clear();
}

void CycleTest::SetSetting(SettingId id, int value) {
  g_pSettings->SetSetting(id, value);
}

int CycleTest::AddAccount(const char* name, int port, const char* user, const char* password, bool ssl) {
  CAccount account;
  account.SetName(name);
  account.SetHost("127.0.0.1");
  account.SetSsl(ssl);
  account.SetPort(port);
  account.SetUser(user);
  account.SetPassword(password);
  int slot = g_pAccountList->Add(account);
  // Accounts are added before any is disabled, so the newest active record is this slot's.
  std::vector<CAccount*> active;
  g_pAccountList->SnapshotActive(active);
  m_live.resize(slot + 1, nullptr);
  m_live[slot] = active.back();
  return slot;
}

CAccount* CycleTest::Live(int slot) {
  return m_live.at(slot);
}

void CycleTest::EditAccount(int slot, const std::function<void(CAccount&)>& change) {
  CAccount copy = g_pAccountList->GetAt(slot);
  change(copy);
  g_pAccountList->Save(slot, copy, false);
}

void CycleTest::StartWindow() {
  m_pDlg = new CTidewellDlg();
  ASSERT_TRUE(m_pDlg->CreateModeless());
}

bool CycleTest::PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (done()) return true;
    }
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void CycleTest::PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

int CycleTest::CyclesEnded() {
  return m_pDlg ? CShellRecorder::TimerSets(m_pDlg->hwnd(), IDT_PERIOD) : 0;
}

bool CycleTest::RunToCycleEnd(DWORD ms) {
  int before = CyclesEnded();
  return PumpUntil([&] { return CyclesEnded() > before; }, ms);
}

void CycleTest::TickPeriod() {
  PostMessageA(Window(), WM_TIMER, IDT_PERIOD, 0);
}

bool CycleTest::NoWorkerRunning() {
  auto running = [](HANDLE h) { return h && WaitForSingleObject(h, 0) == WAIT_TIMEOUT; };
  if (running(m_pDlg->m_hWorkerThread)) return false;
  for (const CUniqueHandle& thread : m_pDlg->m_pCheckState->strayThreads)
    if (running(thread.Get())) return false;
  return true;
}

std::vector<std::string> CycleTest::LogTexts() {
  std::vector<std::string> lines;
  g_appLog.Copy(lines);
  std::vector<std::string> texts;
  for (size_t i = m_nLogStart; i < lines.size(); ++i)
    texts.push_back(lines[i].size() > kStampLength ? lines[i].substr(kStampLength) : "");
  return texts;
}

bool CycleTest::LogHas(const std::string& text) {
  for (const std::string& t : LogTexts())
    if (t == text) return true;
  return false;
}

std::string CycleTest::LogDump() {
  std::string all = "log:";
  for (const std::string& t : LogTexts()) all += "\n  " + t;
  return all;
}

int CycleTest::LogCount(const std::string& prefix) {
  int n = 0;
  for (const std::string& t : LogTexts())
    if (t.compare(0, prefix.size(), prefix) == 0) ++n;
  return n;
}

int CycleTest::TrayIconId() {
  HICON icon = CShellRecorder::LastIcon();
  for (int id : {IDR_MAINFRAME, IDI_MAIL, IDI_ERROR_STATE})
    if (icon && icon == LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))) return id;
  return 0;
}

int CycleTest::DovecotPort() {
  return EnvInt("TIDEWELL_POP3_PORT");
}
