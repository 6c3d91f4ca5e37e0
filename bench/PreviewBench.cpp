// preview_bench: the information window's text fetch as its worker runs it
// (a session of its own, TOP n L within the byte cap, the MIME walk) for
// messages of one mailbox. Prints per message the median wall and CPU time of
// five runs, the text's bytes, and the process's peak working set.
//   preview_bench user password lines number...   (host 127.0.0.1, port from
//   TIDEWELL_POP3_PORT)
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/BenchClock.h"
#include "pop3/Pop3Client.h"
#include "viewer/PreviewWorker.h"

namespace {

size_t PeakWorkingSetKb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize / 1024;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: preview_bench user password lines number...\n");
    return 2;
  }
  const char* port = getenv("TIDEWELL_POP3_PORT");
  PreviewJob job;
  job.account.name = argv[1];
  job.account.host = "127.0.0.1";
  job.account.port = port ? atoi(port) : 110;
  job.account.user = argv[1];
  job.account.password = argv[2];
  job.bodyLines = atoi(argv[3]);
  job.timeout = 60;
  // Login and STAT alone: what the server spends opening the mailbox (Dovecot
  // reads every message's size at the first command that needs them).
  std::vector<double> login;
  for (int run = 0; run < 5; ++run) {
    double w = NowMs();
    CPop3Client client(false, job.timeout, job.timeout);
    try {
      client.Open(false, "", 0, job.account.host.c_str(), job.account.port, argv[1], argv[2]);
      int count = 0, size = 0;
      client.GetStatistics(count, size);
    } catch (const CPop3Exception& e) {
      fprintf(stderr, "%s\n", e.message);
    }
    client.Disconnect();
    login.push_back(NowMs() - w);
  }
  printf("%s login and STAT: %8.1f ms\n", argv[1], Median(login));
  for (int a = 4; a < argc; ++a) {
    job.number = atoi(argv[a]);
    std::vector<double> wall, cpu;
    size_t bytes = 0;
    for (int run = 0; run < 5; ++run) {
      double w = NowMs(), c = ThreadCpuMs();
      std::string text = FetchPreviewText(job, [](CPop3Client*) {});
      wall.push_back(NowMs() - w);
      cpu.push_back(ThreadCpuMs() - c);
      bytes = text.size();
      if (run == 0 && text.compare(0, 31, "The message text could not be ") == 0)
        fprintf(stderr, "%s", text.c_str());
    }
    printf("%s message %d, TOP %d %d: %8.1f ms (CPU %7.1f ms), text %zu B, peak working set %zu KB\n",
           argv[1], job.number, job.number, job.bodyLines, Median(wall), Median(cpu), bytes,
           PeakWorkingSetKb());
  }
  return 0;
}
