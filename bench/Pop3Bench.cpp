// pop3_bench: times STAT and TOP n 0 + LIST round trips against a POP3
// server, and whole checks (connect, login, STAT, QUIT on a new client), and
// prints the median and 95th percentile of each. With --blocks it reads the
// header block (TOP n 0) of every message of the mailbox instead, a few
// rounds each, and prints one line per message:
//   "block <n> <bytes read> <median ms> <MB/s> <median CPU ms>"
// (bench/poplib_reference.py prints the same for Python's poplib).
//   pop3_bench [--ssl] [--blocks] [port [user [password [count]]]]   (host
//   127.0.0.1; port from TIDEWELL_POP3_PORT, or TIDEWELL_POP3S_PORT with
//   --ssl, when not given; user "bench", password "benchpw")
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "pop3/Pop3Client.h"

namespace {

void Report(const char* name, std::vector<double> samples) {
  if (samples.empty()) return;
  std::sort(samples.begin(), samples.end());
  double median = samples[samples.size() / 2];
  double p95 = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
  printf("%-10s n=%-5u median %7.3f ms   p95 %7.3f ms\n", name, static_cast<unsigned>(samples.size()), median,
         p95);
}

// The bench's server has a self-signed certificate of its own making. The
// certificate is still read and validated on every connection, as an account's is.
std::string AcceptBenchServer(const ServerCertificate&) {
  return std::string();
}

double Time(const std::function<void()>& operation) {
  double start = NowMs();
  operation();
  return NowMs() - start;
}

// What one account's check costs: a new connection (and TLS handshake) each time.
void TimeChecks(bool ssl, int port, const char* user, const char* password, int count) {
  std::vector<double> checks;
  for (int i = 0; i < count; ++i) {
    checks.push_back(Time([&] {
      CPop3Client client(ssl, 10, 10);
      client.SetCertificateCheck(AcceptBenchServer);
      client.Open(false, "", 0, "127.0.0.1", port, user, password);
      int c = 0, s = 0;
      client.GetStatistics(c, s);
      client.Logout();
    }));
  }
  Report("check", checks);
}

// The bytes of a reply as they came: each line with its CR LF.
size_t ReplyBytes(const ReplyLines& lines) {
  size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 2;
  return bytes;
}

// A block over the reply cap ends in "Reply too long" after the cap's bytes;
// its rate is that of reading up to the cap. Each round logs in afresh, as
// the connection is lost after such a block.
void TimeHeaderBlocks(bool ssl, int port, const char* user, const char* password) {
  const int rounds = 5;
  CPop3Client probe(ssl, 60, 60);
  probe.SetCertificateCheck(AcceptBenchServer);
  probe.Open(false, "", 0, "127.0.0.1", port, user, password);
  int messages = 0, size = 0;
  probe.GetStatistics(messages, size);
  probe.Logout();
  for (int n = 1; n <= messages; ++n) {
    std::vector<double> times, cpu;
    size_t bytes = 0;
    for (int round = 0; round < rounds; ++round) {
      CPop3Client client(ssl, 60, 60);
      client.SetCertificateCheck(AcceptBenchServer);
      client.Open(false, "", 0, "127.0.0.1", port, user, password);
      ReplyLines lines;
      double start = NowMs();
      double startCpu = ThreadCpuMs();
      try {
        client.Top(n, 0, lines);
        bytes = ReplyBytes(lines);
      } catch (const CPop3Exception& e) {
        if (strcmp(e.detail, "Reply too long") != 0) throw;
        bytes = 16u << 20;
      }
      times.push_back(NowMs() - start);
      cpu.push_back(ThreadCpuMs() - startCpu);
      client.Disconnect();
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    double median = times[times.size() / 2];
    printf("block %d %u %.1f %.1f %.1f\n", n, static_cast<unsigned>(bytes), median, bytes / 1000.0 / median,
           cpu[cpu.size() / 2]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool ssl = argc > 1 && strcmp(argv[1], "--ssl") == 0;
  if (ssl) {
    --argc;
    ++argv;
  }
  const bool blocks = argc > 1 && strcmp(argv[1], "--blocks") == 0;
  if (blocks) {
    --argc;
    ++argv;
  }
  const char* envPort = getenv(ssl ? "TIDEWELL_POP3S_PORT" : "TIDEWELL_POP3_PORT");
  int port = argc > 1 ? atoi(argv[1]) : (envPort ? atoi(envPort) : (ssl ? 995 : 110));
  const char* user = argc > 2 ? argv[2] : "bench";
  const char* password = argc > 3 ? argv[3] : "benchpw";
  int count = argc > 4 ? atoi(argv[4]) : 0;
  try {
    if (blocks) {
      TimeHeaderBlocks(ssl, port, user, password);
      return 0;
    }
    CPop3Client client(ssl, 10, 10);
    client.SetCertificateCheck(AcceptBenchServer);
    double login = Time([&] { client.Open(false, "", 0, "127.0.0.1", port, user, password); });
    printf("%s login  %.3f ms\n", ssl ? "TLS  " : "plain", login);
    int messages = 0, size = 0;
    client.GetStatistics(messages, size);
    if (count <= 0 || count > messages) count = messages;
    printf("mailbox    %d messages, %d bytes; timing %d of each\n", messages, size, count);

    std::vector<double> stat, top, list, pair;
    for (int i = 0; i < count; ++i) {
      stat.push_back(Time([&] {
        int c = 0, s = 0;
        client.GetStatistics(c, s);
      }));
    }
    for (int i = 1; i <= count; ++i) {
      double t = Time([&] {
        ReplyLines lines;
        client.Top(i, 0, lines);
      });
      double l = Time([&] { client.GetMessageSize(i); });
      top.push_back(t);
      list.push_back(l);
      pair.push_back(t + l);
    }
    Report("STAT", stat);
    Report("TOP n 0", top);
    Report("LIST n", list);
    Report("TOP+LIST", pair);
    client.Logout();
    TimeChecks(ssl, port, user, password, 30);
  } catch (const CPop3Exception& e) {
    fprintf(stderr, "pop3_bench: %s (%s)\n", e.message, e.detail);
    return 1;
  }
  return 0;
}
