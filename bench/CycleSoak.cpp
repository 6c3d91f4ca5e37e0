// Runs the check cycle back to back against servers that refuse every
// connection, as Period 0 does on a laptop without a network, and prints the
// process's memory and the log's length along the way: both must level off.
// The spacing after failed cycles is skipped (each period timer fires at
// once), so hundreds of cycles take seconds.
//   cycle_soak [cycles]   (default 500; reports ten times; writes two accounts into this wine
//   prefix's Tidewell settings)
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "check/CheckCycle.h"
#include "check/CycleCalls.h"
#include "framework/AppLog.h"
#include "framework/Messages.h"
#include "store/Account.h"
#include "store/AccountList.h"
#include "store/Settings.h"

namespace {

// The main window's part: only the period timer matters here.
class CSoakWindow : public CCycleCalls {
 public:
  void StartTimer(UINT_PTR id, UINT) override { m_bPeriodSet |= id == IDT_PERIOD; }
  void StopTimer(UINT_PTR) override {}
  void SetTrayIcon(int) override {}
  void SetTrayTip(const char*) override {}
  void ShowBalloon(const char*, const char*, bool) override {}
  void ShowAccountsBalloon(const char*, const char*) override {}
  bool PlaySoundFile(const char*) override { return true; }
  void Beep(UINT) override {}
  void HandOverServers() override {}
  // True once per cycle end: the end sets the period timer.
  bool TakePeriodSet() {
    bool set = m_bPeriodSet;
    m_bPeriodSet = false;
    return set;
  }

 private:
  bool m_bPeriodSet = false;
};

// A loopback port bound and not listening: every connection to it is refused.
SOCKET RefusingSocket(int& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return s;
}

void AddAccount(const char* name, int port) {
  CAccount account;
  account.SetName(name);
  account.SetHost("127.0.0.1");
  account.SetPort(port);
  account.SetUser("soak");
  account.SetPassword("soak");
  g_pAccountList->Add(account);
}

void Report(int cycles, DWORD startTick) {
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                       sizeof memory);
  std::vector<std::string> lines;
  const int bytes = g_appLog.Copy(lines);
  std::printf("cycle %5d  %6.1f s  working set %7.1f KB  private %7.1f KB  log %5zu lines, %7d bytes\n",
              cycles, (GetTickCount() - startTick) / 1000.0, memory.WorkingSetSize / 1024.0,
              memory.PrivateUsage / 1024.0, lines.size(), bytes);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 500;
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  int port = 0;
  SOCKET refusing = RefusingSocket(port);

  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
  g_pSettings = new CSettings();
  g_pSettings->SetSetting(Period, 0);
  g_pAccountList = new CAccountList();
  AddAccount("Offline one", port);
  AddAccount("Offline two", port);

  CSoakWindow window;
  const DWORD start = GetTickCount();
  {
    CCheckCycle cycle(*g_pAccountList, *g_pSettings, window);
    for (int done = 0; done < cycles;) {
      cycle.PostStart();
      MSG msg;
      while (!window.TakePeriodSet() && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      if (++done % std::max(1, cycles / 10) == 0 || done == 1) Report(done, start);
    }
    cycle.StopCheckWorker();
  }
  delete g_pAccountList;
  delete g_pSettings;
  closesocket(refusing);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
  return 0;
}
