// viewer_bench: lists a mailbox through the View Mail fetch worker and row
// model (title pauses off) and prints the protocol time, the time spent
// inserting rows (sorted place plus the five row texts) and the peak working
// set. With --window the real View Mail window lists it instead, its list
// control and all, and the time runs from the window's start to its last row.
// Both end with one "time to last row" line, for bench/run.sh to set side by
// side.
//   viewer_bench [--window] [user [password [sort column]]]   (host 127.0.0.1,
//   port from TIDEWELL_POP3_PORT; user "bench", password "benchpw", column 1,
//   Subject, where arrival order and sorted order differ)
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <commctrl.h>

#include "bench/BenchClock.h"
#include "framework/Handles.h"
#include "framework/WorkerThread.h"
#include "pop3/Pop3Client.h"
#include "res/resource.h"
#include "store/AccountList.h"
#include "store/Settings.h"
#include "viewer/ViewMailCore.h"
#include "viewer/ViewMailDlg.h"

namespace {

// Does on the worker's thread what the window does on its own: insert the row
// and read its texts; times only that, and keeps the arrival order.
class CTimingWindow : public CViewerCalls {
 public:
  void Attach(CViewMailCore* core) { m_pCore = core; }
  void SetTitle(const char*) override {}
  void RowsWaiting() override {
    double wall = NowMs();
    m_pCore->InsertWaitingRows([this](int row, MailItem& item) {
      m_arrivals.push_back(&item);
      m_nTextBytes += m_pCore->model().GetRowTexts(item)[3].size();
      return row >= 0;
    });
    m_insertWallMs += NowMs() - wall;
  }
  int ShowMessage(const char* text, const char*, UINT) override {
    fprintf(stderr, "viewer_bench: %s\n", text);
    return IDOK;
  }
  void Post(UINT) override { SetEvent(m_hDone); }

  HANDLE m_hDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  double m_insertWallMs = 0;
  size_t m_nTextBytes = 0;
  std::vector<const MailItem*> m_arrivals;  // owned by the model

 private:
  CViewMailCore* m_pCore = nullptr;
};

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ULARGE_INTEGER k{{kernel.dwLowDateTime, kernel.dwHighDateTime}};
  ULARGE_INTEGER u{{user.dwLowDateTime, user.dwHighDateTime}};
  return (k.QuadPart + u.QuadPart) / 10000.0;
}

// The insertions again, in arrival order, into a model of their own: their
// CPU time alone, without the scheduler's noise of a busy machine.
double ReplayInsertionCpuMs(const std::vector<const MailItem*>& arrivals, int column) {
  std::vector<std::unique_ptr<MailItem>> copies;
  for (const MailItem* item : arrivals) copies.push_back(std::make_unique<MailItem>(*item));
  CMailListModel model({"Bench"});
  model.SetSortState(column, true);
  size_t textBytes = 0;
  double cpu = ThreadCpuMs();
  for (std::unique_ptr<MailItem>& item : copies) {
    int row = model.Insert(std::move(item));
    textBytes += model.GetRowTexts(*model.GetItem(row))[3].size();
  }
  double spent = ThreadCpuMs() - cpu;
  return textBytes ? spent : -1;
}

size_t PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize / (1024 * 1024);
}

}  // namespace

// Lists the mailbox in the real window on this thread; a watcher ends the
// window once its list holds every message. Returns the time to the last
// row, or a negative time when the list never got there.
double ListInWindow(CAccountList& accounts, CSettings& settings, int expected, size_t& rows,
                    double& windowCpu) {
  CViewMailDlg dialog(accounts, settings);
  dialog.core().SetVisiblePauses(false);
  dialog.StartFetch();
  double start = NowMs();
  double lastRow = -1;
  std::atomic<bool> quit{false};
  CUniqueHandle watcher = StartWorkerThread(
      [&] {
        while (!quit) {
          Sleep(10);
          HWND window = dialog.hwnd();
          if (!window || !dialog.core().fetchDone()) continue;
          HWND list = GetDlgItem(window, IDC_MAIL_LIST);
          int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
          if (count < expected && NowMs() - start < 600000) continue;
          if (count >= expected) lastRow = NowMs() - start;
          rows = static_cast<size_t>(count);
          break;
        }
        dialog.EndNow();
      },
      [] {});
  if (!watcher.Valid()) return -1;
  double cpu = ThreadCpuMs();
  dialog.DoModal();
  windowCpu = ThreadCpuMs() - cpu;
  quit = true;
  WaitForSingleObject(watcher.Get(), INFINITE);
  dialog.EndWorkers();
  return lastRow;
}

int main(int argc, char** argv) {
  const bool inWindow = argc > 1 && strcmp(argv[1], "--window") == 0;
  if (inWindow) {
    --argc;
    ++argv;
  }
  const char* user = argc > 1 ? argv[1] : "bench";
  const char* password = argc > 2 ? argv[2] : "benchpw";
  int column = argc > 3 ? atoi(argv[3]) : 1;
  const char* envPort = getenv("TIDEWELL_POP3_PORT");
  int port = envPort ? atoi(envPort) : 110;

  // Dovecot indexes a mailbox on its first session; that is not the viewer's time.
  int messages = 0;
  try {
    CPop3Client warm(false, 60, 60);
    warm.Open(false, "", 0, "127.0.0.1", port, user, password);
    int count = 0, size = 0;
    warm.GetStatistics(count, size);
    warm.Logout();
    printf("mailbox    %s: %d messages, %d bytes\n", user, count, size);
    messages = count;
  } catch (const CPop3Exception& e) {
    fprintf(stderr, "viewer_bench: %s (%s)\n", e.message, e.detail);
    return 1;
  }

  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
  CSettings settings;
  CAccountList accounts;
  settings.SetSetting(CheckTimeout, 60);
  settings.SetSortColumn(column);
  settings.SetSortOrder(1);
  CAccount account;
  account.SetName("Bench");
  account.SetHost("127.0.0.1");
  account.SetPort(port);
  account.SetUser(user);
  account.SetPassword(password);
  accounts.Add(account);

  if (inWindow) {
    size_t shown = 0;
    double cpuStart = ProcessCpuMs();
    double windowCpu = 0;
    double lastRow = ListInWindow(accounts, settings, messages, shown, windowCpu);
    double cpu = ProcessCpuMs() - cpuStart;
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
    if (lastRow < 0) {
      fprintf(stderr, "viewer_bench: the window listed %u of %d rows\n", static_cast<unsigned>(shown),
              messages);
      return 1;
    }
    printf("window     its thread %.0f ms CPU\n", windowCpu);
    printf("last row   window %u rows: %.0f ms, %.0f ms CPU, peak WS %u MB\n", static_cast<unsigned>(shown),
           lastRow, cpu, static_cast<unsigned>(PeakWorkingSetMb()));
    return 0;
  }

  CTimingWindow window;
  double listing = 0;
  double listingCpu = 0;
  double replayCpu = 0;
  size_t peakMb = 0;
  size_t rows = 0;
  {
    CViewMailCore core(window, accounts, settings);
    window.Attach(&core);
    core.LoadSortState();
    core.SetVisiblePauses(false);
    core.StartFetch();
    double start = NowMs();
    double cpuStart = ProcessCpuMs();
    if (!core.StartFetchWorker()) return 1;
    WaitForSingleObject(window.m_hDone, INFINITE);
    listing = NowMs() - start;
    listingCpu = ProcessCpuMs() - cpuStart;
    rows = core.model().GetCount();
    peakMb = PeakWorkingSetMb();
    replayCpu = ReplayInsertionCpuMs(window.m_arrivals, column);
    core.StartDeleteWorker();  // nothing marked: QUIT only
    core.WaitForWorker(INFINITE);
  }
  printf("rows       %u (sort column %d)\n", static_cast<unsigned>(rows), column);
  printf("listing    %.0f ms in all (%.0f ms CPU); protocol and parsing %.0f ms\n", listing, listingCpu,
         listing - window.m_insertWallMs);
  printf("insertion  %.1f ms wall during the listing; %.1f ms CPU when replayed alone\n",
         window.m_insertWallMs, replayCpu);
  printf("peak WS    %u MB (before the replay)\n", static_cast<unsigned>(peakMb));
  printf("last row   model  %u rows: %.0f ms, %.0f ms CPU, peak WS %u MB\n", static_cast<unsigned>(rows),
         listing, listingCpu, static_cast<unsigned>(peakMb));
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
  return 0;
}
