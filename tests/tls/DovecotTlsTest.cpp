// A POP3 session over implicit TLS against the Dovecot fixture: the channel on its own,
// then through CPop3Client.
#include <gtest/gtest.h>

#include "Pop3Thrown.h"

#include "TlsTestSocket.h"
#include "pop3/Pop3Client.h"
#include "pop3/Pop3Exception.h"
#include "check/CheckJob.h"
#include "store/Account.h"

namespace {

int DovecotTlsPort() {
  return EnvPort("TIDEWELL_POP3S_PORT");
}

TEST(DovecotTls, ChannelCarriesLoginAndStat) {
  CTestConnection connection(DovecotTlsPort());
  ASSERT_TRUE(connection.Connected());
  CSslChannel channel(connection.Get(), SslWaitLimits(), AnyCertificate());
  ASSERT_EQ(0, channel.Start());
  // The greeting comes with the last handshake message: it must survive in the extra store.
  EXPECT_EQ(0u, ReceiveLine(channel).find("+OK"));
  const char* steps[][2] = {{"USER alice\r\n", "+OK"}, {"PASS alicepw\r\n", "+OK"}, {"STAT\r\n", "+OK 3 "}};
  for (auto& step : steps) {
    ASSERT_TRUE(SendText(channel, step[0])) << step[0];
    std::string reply = ReceiveLine(channel);
    EXPECT_EQ(0u, reply.find(step[1])) << step[0] << " -> " << reply;
  }
  ASSERT_TRUE(SendText(channel, "QUIT\r\n"));
  EXPECT_EQ(0u, ReceiveLine(channel).find("+OK"));
  EXPECT_GT(channel.Shutdown(), 0);
  channel.Release();
}

TEST(DovecotTls, ClientLogsInStatsAndReadsTop) {
  CPop3Client client(true, 10, 10);
  client.SetCertificateCheck(AcceptAnyCertificate);
  try {
    client.Open(false, "", 0, "127.0.0.1", DovecotTlsPort(), "alice", "alicepw");
    int count = -1, size = -1;
    client.GetStatistics(count, size);
    EXPECT_EQ(3, count);
    EXPECT_GT(size, 0);
    ReplyLines lines;
    client.Top(1, 0, lines);
    bool hasSubject = false;
    for (const std::string& line : lines) hasSubject = hasSubject || line.compare(0, 8, "Subject:") == 0;
    EXPECT_TRUE(hasSubject);
    client.Logout();
  } catch (const CPop3Exception& e) {
    FAIL() << e.message << " / " << e.detail;
  }
}

TEST(DovecotTls, WrongPasswordIsAServerError) {
  CPop3Client client(true, 10, 10);
  client.SetCertificateCheck(AcceptAnyCertificate);
  EXPECT_EQ(0u, Thrown([&] {
                  client.Open(false, "", 0, "127.0.0.1", DovecotTlsPort(), "alice", "wrong");
                }).find("7 -ERR"));
}

// A TLS account's whole check: login, STAT and QUIT settle the account's count.
TEST(DovecotTls, CheckSettlesTheAccountsCount) {
  CAccount account;
  account.SetError();
  AccountConnection c;
  c.name = "Secure";
  c.host = "127.0.0.1";
  c.port = DovecotTlsPort();
  c.user = "alice";
  c.password = "alicepw";
  c.ssl = true;
  CCheckJob job(1, &account, c, 10);
  job.SetCertificateCheck(AcceptAnyCertificate);
  std::string line;
  ASSERT_TRUE(RunMailboxCheck(job, [&](const std::string& text) { line += text; })) << line;
  EXPECT_EQ("", line);
  EXPECT_EQ(3, account.currentCount());
  EXPECT_FALSE(account.error());
}

// A connection that belongs to no account takes only what the system trusts: the
// fixture's self-signed certificate ends the open before the greeting is even read.
TEST(DovecotTls, WithoutACheckASelfSignedServerIsRefused) {
  CPop3Client client(true, 10, 10);
  EXPECT_EQ(
      "8 The server's certificate is not trusted: issued by an authority this system does not trust / "
      "Server certificate not trusted",
      Thrown([&] { client.Open(false, "", 0, "localhost", DovecotTlsPort(), "alice", "alicepw"); }));
  EXPECT_FALSE(client.IsLoggedIn());
}

}  // namespace
