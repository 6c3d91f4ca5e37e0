// Commands, login, retry rule, proxy mode and send failures against a
// scripted peer that records every line the client sends.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "LoopbackPort.h"
#include "Pop3Thrown.h"
#include "ScriptedServer.h"
#include "pop3/Pop3Client.h"

namespace {

using Lines = std::vector<std::string>;

void OpenClient(CPop3Client& client, const CScriptedServer& server) {
  client.Open(false, "", 0, "127.0.0.1", server.Port(), "bob", "secret");
}

TEST(Pop3Session, SendsEachCommandAsOneLine) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "+OK 5 1234\r\n");
  Answer(server, "+OK 3 420\r\n");
  Answer(server, "+OK\r\nSubject: hi\r\n.\r\n");
  Answer(server, "+OK deleted\r\n");
  Answer(server, "+OK bye\r\n");
  server.Start();
  {
    CPop3Client client(false, 1, 2);
    OpenClient(client, server);
    EXPECT_TRUE(client.IsLoggedIn());
    int count = 0, size = 0;
    client.GetStatistics(count, size);
    EXPECT_EQ(5, count);
    EXPECT_EQ(1234, size);
    EXPECT_EQ(420, client.GetMessageSize(3));
    ReplyLines lines;
    client.Top(2, 0, lines);
    EXPECT_EQ((ReplyLines{"+OK", "Subject: hi", "."}), lines);
    client.DeleteMessage(4);
    client.Logout();
    EXPECT_FALSE(client.IsLoggedIn());
  }
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "STAT", "LIST 3", "TOP 2 0", "DELE 4", "QUIT"}}),
            server.Received());
}

TEST(Pop3Session, StatusNumbersMissingFromReply) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "+OK\r\n");
  Answer(server, "+OK 7\r\n");
  Answer(server, "+OK 3\r\n");
  server.Start();
  CPop3Client client(false, 1, 2);
  OpenClient(client, server);
  int count = 11, size = 22;
  client.GetStatistics(count, size);
  EXPECT_EQ(11, count);
  EXPECT_EQ(22, size);
  client.GetStatistics(count, size);
  EXPECT_EQ(7, count);
  EXPECT_EQ(22, size);
  EXPECT_EQ(0, client.GetMessageSize(3));
  client.Disconnect();
}

// Numbers past either end of the int range saturate at that end.
TEST(Pop3Session, StatusNumbersBeyondIntRangeSaturate) {
  struct {
    const char* line;
    int first, second;
  } cases[] = {{"+OK 2147483648 -2147483649", INT_MAX, INT_MIN},
               {"+OK -99999999999999999999 99999999999999999999", INT_MIN, INT_MAX},
               {"+OK -2147483648 2147483647", INT_MIN, INT_MAX}};
  for (const auto& c : cases) {
    int first = 0, second = 0;
    ParseStatusNumbers(c.line, first, second);
    EXPECT_EQ(c.first, first) << c.line;
    EXPECT_EQ(c.second, second) << c.line;
  }
}

TEST(Pop3Session, DestructorSendsQuitWhenLoggedIn) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "+OK bye\r\n");
  server.Start();
  {
    CPop3Client client(false, 1, 2);
    OpenClient(client, server);
  }
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "QUIT"}}), server.Received());
}

TEST(Pop3Session, RetryReconnectsWithoutQuit) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "-ERR busy\r\n").AcceptNext();
  ScriptLogin(server);
  Answer(server, "+OK 7 99\r\n");
  server.Start();
  CPop3Client client(false, 1, 2);
  OpenClient(client, server);
  int count = 0, size = 0;
  client.GetStatistics(count, size);
  EXPECT_EQ(7, count);
  EXPECT_EQ(99, size);
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "STAT"}, {"USER bob", "PASS secret", "STAT"}}),
            server.Received());
}

// A reply over the size limit would come again as long: no second session.
TEST(Pop3Session, ReplyOverTheLimitIsNotAskedForAgain) {
  CScriptedServer server;
  ScriptLogin(server);
  server.ExpectLine().Send("+OK " + std::string(80 * 1024, 'x'));
  server.Start();
  CPop3Client client(false, 5, 5);
  OpenClient(client, server);
  int count = 0, size = 0;
  EXPECT_EQ("5 Failed to receive response / Reply too long",
            Thrown([&] { client.GetStatistics(count, size); }));
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "STAT"}}), server.Received());
}

TEST(Pop3Session, RetriedDeleteAfterDroppedConnection) {
  CScriptedServer server;
  ScriptLogin(server);
  server.ExpectLine().Close().AcceptNext();
  ScriptLogin(server);
  Answer(server, "+OK deleted\r\n");
  server.Start();
  CPop3Client client(false, 1, 2);
  OpenClient(client, server);
  client.DeleteMessage(2);
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ(
      (std::vector<Lines>{{"USER bob", "PASS secret", "DELE 2"}, {"USER bob", "PASS secret", "DELE 2"}}),
      server.Received());
}

TEST(Pop3Session, SecondFailureReachesCaller) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "-ERR busy\r\n").AcceptNext();
  ScriptLogin(server);
  Answer(server, "-ERR still busy\r\n");
  server.Start();
  CPop3Client client(false, 1, 2);
  OpenClient(client, server);
  int count = 0, size = 0;
  EXPECT_EQ("7 -ERR still busy\r\n / ", Thrown([&] { client.GetStatistics(count, size); }));
  EXPECT_EQ(2u, server.Received().size());
}

TEST(Pop3Session, FailedReloginReachesCaller) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "-ERR busy\r\n").AcceptNext();
  server.Send("-ERR go away\r\n");
  server.Start();
  CPop3Client client(false, 1, 2);
  OpenClient(client, server);
  EXPECT_EQ("7 -ERR go away\r\n / ", Thrown([&] { client.DeleteMessage(1); }));
}

TEST(Pop3Session, ProxySendsServerNameBeforeGreeting) {
  CScriptedServer server;
  server.ExpectLine().Send("+OK proxy\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK\r\n");
  server.Start();
  CPop3Client client(false, 1, 2);
  client.Open(true, "127.0.0.1", server.Port(), "mail.example.test", 110, "bob", "secret");
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"mail.example.test", "USER bob", "PASS secret"}}), server.Received());
}

TEST(Pop3Session, ConnectFailureNamesTarget) {
  int port = RefusedPort();
  struct {
    bool useProxy;
    const char* proxy;
    const char* host;
  } cases[] = {{false, "", "127.0.0.1"}, {true, "127.0.0.1", "mail.example.test"}};
  for (const auto& c : cases) {
    CPop3Client client(false, 1, 1);
    EXPECT_EQ("4 Failed to connect to 127.0.0.1 (10061: connection refused) / Socket error 10061",
              Thrown([&] { client.Open(c.useProxy, c.proxy, port, c.host, port, "bob", "secret"); }));
  }
}

// A label over 63 characters is refused by the resolver itself, so no query leaves the host.
TEST(Pop3Session, UnresolvableHostIsSocketError10022) {
  const std::string host = std::string(64, 'x') + ".test";
  CPop3Client client(false, 1, 1);
  EXPECT_EQ("4 Failed to connect to " + host + " (10022: server name not found) / Socket error 10022",
            Thrown([&] { client.Open(false, "", 0, host.c_str(), 110, "bob", "secret"); }));
}

// Another thread ends a wait on a server that went silent long before its
// time-out; the owner's own Close afterwards still works, and the connection
// stays ended.
TEST(Pop3Session, InterruptFromAnotherThreadEndsAWait) {
  CScriptedServer server;
  server.Send("+OK ready\r\n").ExpectLine().Silence(30000).Start();
  CPop3Client client(false, 30, 30);
  struct Interrupter {
    CPop3Client* client;
    CScriptedServer* server;
    static DWORD WINAPI Run(LPVOID p) {
      auto* self = static_cast<Interrupter*>(p);
      self->server->WaitLines(1);  // USER sent: the client waits for its answer
      self->client->Interrupt();
      return 0;
    }
  } interrupter{&client, &server};
  HANDLE thread = CreateThread(nullptr, 0, Interrupter::Run, &interrupter, 0, nullptr);
  ASSERT_TRUE(thread);
  DWORD start = GetTickCount();
  // After the shutdown the wait ends as a receive failure (which socket error
  // depends on the system).
  EXPECT_EQ(0u, Thrown([&] { OpenClient(client, server); }).find("5 Failed to receive response ("));
  EXPECT_LT(GetTickCount() - start, 20000u);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  client.Close();
  // A retry's reconnect would start the work again: it is refused.
  EXPECT_EQ("4 Failed to connect to 127.0.0.1 (10004: interrupted) / Socket error 10004",
            Thrown([&] { OpenClient(client, server); }));
}

TEST(Pop3Session, SilentServerTimesOut) {
  CScriptedServer server;
  ScriptLogin(server);
  server.ExpectLine();
  server.Start();
  CPop3Client client(false, 1, 1);
  OpenClient(client, server);
  int count = 0, size = 0;
  EXPECT_EQ("6 Receive timeout / ", Thrown([&] { client.GetStatistics(count, size); }));
  client.Disconnect();
}

TEST(Pop3Session, SendTimeoutZeroFailsEveryCommand) {
  CScriptedServer server;
  server.Send("+OK ready\r\n");
  server.Start();
  CPop3Client client(false, 0, 2);
  EXPECT_EQ("0 Failed to send USER bob - disconnected or timed-out / ",
            Thrown([&] { OpenClient(client, server); }));
  EXPECT_FALSE(client.IsLoggedIn());
}

TEST(Pop3Session, FailedPassHidesPassword) {
  ReplyLines lines;
  {
    // Send time-out 0: the "disconnected or timed-out" form.
    CScriptedServer server;
    server.Send("+OK ready\r\n");
    server.Start();
    CPop3Connection connection(false, 0, 2);
    connection.OpenConnection(false, "", 0, "127.0.0.1", server.Port(), lines);
    EXPECT_EQ("0 Failed to send PASS ******** - disconnected or timed-out / ",
              Thrown([&] { connection.Pass("secret", lines); }));
  }
  // No socket at all: the socket error form.
  CPop3Connection connection(false, 1, 1);
  EXPECT_EQ(0u, Thrown([&] { connection.Pass("secret", lines); }).find("0 Failed to send PASS ******** ("));
}

TEST(Pop3Session, OverlongCommandRefusedBeforeSending) {
  CScriptedServer server;
  server.Send("+OK ready\r\n");
  Answer(server, "+OK 1 2\r\n");
  server.Start();
  CPop3Connection connection(false, 1, 2);
  ReplyLines lines;
  connection.OpenConnection(false, "", 0, "127.0.0.1", server.Port(), lines);
  const std::string longUser(251, 'u');  // "USER " + 251 = 256 characters
  const std::string user = Thrown([&] { connection.User(longUser.c_str(), lines); });
  EXPECT_EQ(0u, user.find("0 Failed to send USER ")) << user;
  EXPECT_NE(std::string::npos, user.find(" / Command line too long")) << user;
  EXPECT_EQ("0 Failed to send PASS ******** / Command line too long",
            Thrown([&] { connection.Pass(std::string(300, 'p').c_str(), lines); }));
  // The next line the server sees is STAT: nothing of the refused ones went out.
  connection.Stat(lines);
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"STAT"}}), server.Received());
}

TEST(Pop3Session, LongestCommandLineIsSent) {
  CScriptedServer server;
  server.Send("+OK ready\r\n");
  Answer(server, "+OK\r\n");
  server.Start();
  CPop3Connection connection(false, 1, 2);
  ReplyLines lines;
  connection.OpenConnection(false, "", 0, "127.0.0.1", server.Port(), lines);
  const std::string user(250, 'u');
  connection.User(user.c_str(), lines);
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER " + user}}), server.Received());
}

}  // namespace
