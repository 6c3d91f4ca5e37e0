// The check cycle hosted in the test program, and what the tests read from it.
#include "CycleHarness.h"

#include "ScriptedServer.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "store/AccountList.h"

namespace {

// "dd/mm/yyyy hh:mm:ss    " before each log text.
const size_t kStampLength = 23;

void ClearProgramKey() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
}

}  // namespace

void CycleTest::SetUp() {
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
  // As "Exit" does: a running worker is stopped before the settings and the accounts go.
  if (m_pCycle) m_pCycle->StopCheckWorker();
  m_pCycle.reset();
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

void CycleTest::StartCycle() {
  m_pCycle =
      std::make_unique<CTestCycle>(*g_pAccountList, *g_pSettings, m_main, m_nThreadFailures, m_nDeafMs);
  m_pCycle->PostStart();
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
    if (m_pCycle)
      for (UINT_PTR id : m_main.TakeDueTimers()) m_pCycle->OnTimer(id);
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void CycleTest::PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

int CycleTest::CyclesEnded() {
  return m_main.TimerSets(IDT_PERIOD);
}

bool CycleTest::RunToCycleEnd(DWORD ms) {
  int before = CyclesEnded();
  return PumpUntil([&] { return CyclesEnded() > before; }, ms);
}

void CycleTest::TickPeriod() {
  m_pCycle->OnTimer(IDT_PERIOD);
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

int CycleTest::DovecotPort() {
  return EnvInt("TIDEWELL_POP3_PORT");
}
