// One account's check against real servers: the run's Dovecot and scripted
// peers that stall, with the watchdog's side of the job played by the test.
#include <gtest/gtest.h>

#include <string>

#include "ScriptedServer.h"
#include "check/CheckJob.h"
#include "pop3/Pop3Client.h"
#include "store/Account.h"

namespace {

AccountConnection Connection(int port, const char* user, const char* password) {
  AccountConnection c;
  c.name = "Home";
  c.host = "127.0.0.1";
  c.port = port;
  c.user = user;
  c.password = password;
  return c;
}

int DovecotPort() {
  return EnvInt("TIDEWELL_POP3_PORT");
}

struct Outcome {
  bool ok = false;  // settled with a count
  bool settled = false;
  int count = -5;
  std::string line;  // the log lines handed out, one after another
};

// What the worker thread does with a job, without the log and the window.
Outcome RunCheck(CCheckJob& job) {
  Outcome o;
  o.settled = RunMailboxCheck(job, [&](const std::string& line) { o.line += line; });
  o.ok = o.settled && !job.account()->error();
  o.count = job.account()->currentCount();
  return o;
}

struct ThreadRun {
  CCheckJob* job;
  Outcome outcome;
  static DWORD WINAPI Proc(LPVOID p) {
    auto* self = static_cast<ThreadRun*>(p);
    self->outcome = RunCheck(*self->job);
    return 0;
  }
};

TEST(CheckJob, CountsDovecotMailbox) {
  ASSERT_NE(0, DovecotPort());
  CAccount account;
  account.SetError();
  CCheckJob job(1, &account, Connection(DovecotPort(), "alice", "alicepw"), 10);
  Outcome o = RunCheck(job);
  EXPECT_TRUE(o.ok) << o.line;
  EXPECT_TRUE(o.settled);
  EXPECT_EQ(o.count, 3);
  EXPECT_EQ(account.currentCount(), 3);
  EXPECT_FALSE(account.error());
}

TEST(CheckJob, EmptyMailboxCountsZero) {
  CAccount account;
  CCheckJob job(1, &account, Connection(DovecotPort(), "empty", "emptypw"), 10);
  Outcome o = RunCheck(job);
  EXPECT_TRUE(o.ok) << o.line;
  EXPECT_EQ(account.currentCount(), 0);
  EXPECT_FALSE(account.error());
}

TEST(CheckJob, WrongPasswordMarksFailedAndKeepsCount) {
  CAccount account;
  account.SetCount(2);
  CCheckJob job(1, &account, Connection(DovecotPort(), "alice", "wrong"), 10);
  Outcome o = RunCheck(job);
  EXPECT_FALSE(o.ok);
  EXPECT_TRUE(o.settled);
  EXPECT_EQ(o.line.rfind("Error getting mail statistics for Home from 127.0.0.1: -ERR ", 0), 0u) << o.line;
  // Dovecot's reply ends in CR LF; the log line is one line all the same.
  EXPECT_EQ(o.line.find_first_of("\r\n"), std::string::npos) << o.line;
  EXPECT_TRUE(account.error());
  EXPECT_EQ(account.currentCount(), 2);
}

// The server's error chunk carries more than its first line, and a control
// byte: the log line keeps the first line, with the control byte blanked.
TEST(CheckJob, ServerErrorTextCannotAddLogLines) {
  CScriptedServer server;
  server.Send("-ERR bad\x07 login\r\n10/12/2026 09:00:00    Forged line\r\n").Start();
  CAccount account;
  CCheckJob job(1, &account, Connection(server.Port(), "u", "p"), 10);
  Outcome o = RunCheck(job);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ("Error getting mail statistics for Home from 127.0.0.1: -ERR bad  login", o.line);
}

// CheckTimeout 8: the client waits 4 s for each reply, so a greeting that
// comes after 6 s is never read (a client waiting the whole 8 s would log in).
TEST(CheckJob, RepliesAreAwaitedHalfTheCheckTimeout) {
  CScriptedServer server;
  server.Silence(6000).Send("+OK hello\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK\r\n");
  server.ExpectLine().Send("+OK 2 20\r\n").ExpectLine().Send("+OK bye\r\n").Start();
  CAccount account;
  CCheckJob job(1, &account, Connection(server.Port(), "u", "p"), 8);
  Outcome o = RunCheck(job);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ("Error getting mail statistics for Home from 127.0.0.1: Receive timeout", o.line);
  EXPECT_TRUE(account.error());
  // Sends too: a command that cannot leave waits no longer than a reply.
  std::unique_ptr<CPop3Client> client = MakeCheckClient(job);
  EXPECT_EQ(4, client->sendTimeout());
  EXPECT_EQ(4, client->receiveTimeout());
}

// The shortest reply time-out, and a hand-edited 0, still leave the client a
// second for each reply: a healthy server is checked, not failed at once.
TEST(CheckJob, ShortestReplyTimeoutStillChecks) {
  for (int setting : {1, 0}) {
    CScriptedServer server;
    server.Send("+OK hello\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK\r\n");
    server.ExpectLine().Send("+OK 2 20\r\n").ExpectLine().Send("+OK bye\r\n").Start();
    CAccount account;
    CCheckJob job(1, &account, Connection(server.Port(), "u", "p"), setting);
    Outcome o = RunCheck(job);
    EXPECT_TRUE(o.ok) << setting << ": " << o.line;
    EXPECT_EQ(account.currentCount(), 2);
    EXPECT_EQ(1, MakeCheckClient(job)->receiveTimeout());
  }
}

TEST(CheckJob, ServerWithoutStatNumbersIsNoMail) {
  CScriptedServer server;
  server.Send("+OK hello\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK\r\n");
  server.ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK bye\r\n").Start();
  CAccount account;
  account.SetError();
  CCheckJob job(1, &account, Connection(server.Port(), "u", "p"), 10);
  Outcome o = RunCheck(job);
  EXPECT_TRUE(o.ok) << o.line;
  EXPECT_EQ(account.currentCount(), 0);
  EXPECT_FALSE(account.error());
}

// The watchdog gives up on a worker stuck in a reply: the account is failed
// at once, closing the socket ends the worker long before its own time-out,
// and the worker's late result changes nothing.
TEST(CheckJob, AbandonUnblocksStalledWorkerAndIgnoresItsResult) {
  CScriptedServer server;
  server.Send("+OK hello\r\n").ExpectLine().Silence(60000).Start();
  CAccount account;
  account.SetCount(4);
  // CheckTimeout 80: the client itself would wait 40 s for an answer.
  CCheckJob job(7, &account, Connection(server.Port(), "u", "p"), 80);
  ThreadRun run{&job, {}};
  HANDLE thread = CreateThread(nullptr, 0, ThreadRun::Proc, &run, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(server.WaitLines(1));  // the worker waits for the answer to USER
  EXPECT_FALSE(job.Abandon());
  EXPECT_TRUE(job.abandoned());
  EXPECT_TRUE(account.error());
  EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
  CloseHandle(thread);
  EXPECT_FALSE(run.outcome.settled);
  EXPECT_TRUE(account.error());
  EXPECT_EQ(account.currentCount(), 4);
  EXPECT_FALSE(job.Abandon());  // a second watchdog call is harmless
}

// The worker settled just before the watchdog fired: its result stands and
// its own message is the one advance.
TEST(CheckJob, SettledJobIsNotAbandoned) {
  CAccount account;
  CCheckJob job(3, &account, Connection(1, "u", "p"), 10);
  EXPECT_TRUE(job.SettleWithCount(5));
  EXPECT_TRUE(job.Abandon());
  EXPECT_FALSE(job.abandoned());
  EXPECT_EQ(account.currentCount(), 5);
  EXPECT_FALSE(account.error());
  EXPECT_FALSE(job.SettleWithError());  // settles once only
  EXPECT_FALSE(account.error());
}

// A server that greets and reads the first command: any connection would
// leave that command in its record.
TEST(CheckJob, AbandonedBeforeConnectingNeverConnects) {
  CScriptedServer server;
  server.Send("+OK hello\r\n").ExpectLine().Send("+OK\r\n").Start();
  CAccount account;
  CCheckJob job(3, &account, Connection(server.Port(), "u", "p"), 2);
  EXPECT_FALSE(job.Abandon());
  Outcome o = RunCheck(job);
  EXPECT_FALSE(o.settled);
  EXPECT_TRUE(o.line.empty());
  EXPECT_TRUE(server.Received().empty());
}

}  // namespace
