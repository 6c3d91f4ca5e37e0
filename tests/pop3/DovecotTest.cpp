// The client against the run's Dovecot: login, STAT, LIST, TOP, DELE and a
// wrong password, on a real server.
#include <gtest/gtest.h>

#include "Pop3Thrown.h"

#include <cstdio>
#include <string>

#include "ScriptedServer.h"
#include "pop3/Pop3Client.h"

namespace {

// Dovecot answers a failed login only after its own delay of about 2 s.
const int kTimeout = 5;

int Port() {
  return EnvInt("TIDEWELL_POP3_PORT");
}

long FixtureSize(const char* user, const char* file) {
  std::string path =
      WinePath(EnvString("TIDEWELL_SOURCE_DIR") + "/tests/fixtures/mailboxes/" + user + "/" + file);
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  fseek(f, 0, SEEK_END);
  long size = ftell(f);
  fclose(f);
  return size;
}

void Stat(const char* user, const char* password, int& count, int& size) {
  CPop3Client client(false, kTimeout, kTimeout);
  client.Open(false, "", 0, "127.0.0.1", Port(), user, password);
  count = size = -2;
  client.GetStatistics(count, size);
  client.Logout();
}

TEST(Pop3Dovecot, StatAndListMatchTheMailbox) {
  ASSERT_NE(0, Port()) << "TIDEWELL_POP3_PORT not set";
  CPop3Client client(false, kTimeout, kTimeout);
  client.Open(false, "", 0, "127.0.0.1", Port(), "alice", "alicepw");
  int count = 0, size = 0;
  client.GetStatistics(count, size);
  EXPECT_EQ(3, count);
  long total = 0;
  for (int i = 1; i <= 3; ++i) {
    std::string file = "message" + std::to_string(i) + ".eml";
    long expected = FixtureSize("alice", file.c_str());
    ASSERT_GT(expected, 0) << file;
    EXPECT_EQ(expected, client.GetMessageSize(i)) << file;
    total += expected;
  }
  EXPECT_EQ(total, size);
  client.Logout();
}

TEST(Pop3Dovecot, TopReturnsHeaderBlock) {
  CPop3Client client(false, kTimeout, kTimeout);
  client.Open(false, "", 0, "127.0.0.1", Port(), "alice", "alicepw");
  for (int i = 1; i <= 3; ++i) {
    ReplyLines lines;
    client.Top(i, 0, lines);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(0u, lines.front().find("+OK"));
    EXPECT_EQ(".", lines.back());
    EXPECT_EQ("", lines[lines.size() - 2]) << "header block ends with its blank line";
    bool subject = false;
    for (const std::string& line : lines) subject = subject || line.compare(0, 8, "Subject:") == 0;
    EXPECT_TRUE(subject) << "message " << i;
  }
  client.Logout();
}

TEST(Pop3Dovecot, WrongPasswordIsServerError) {
  CPop3Client client(false, kTimeout, kTimeout);
  EXPECT_EQ(0u,
            Thrown([&] { client.Open(false, "", 0, "127.0.0.1", Port(), "alice", "wrong"); }).find("7 -ERR"));
  EXPECT_FALSE(client.IsLoggedIn());
}

TEST(Pop3Dovecot, MissingMessageIsServerError) {
  CPop3Client client(false, kTimeout, kTimeout);
  client.Open(false, "", 0, "127.0.0.1", Port(), "alice", "alicepw");
  EXPECT_EQ(0u, Thrown([&] { client.GetMessageSize(99); }).find("7 -ERR"));
  client.Logout();
}

TEST(Pop3Dovecot, DeleteCommittedOnlyByQuit) {
  int count = 0, size = 0;
  Stat("pop3dele", "delepw", count, size);
  ASSERT_EQ(3, count);
  {
    // Dropped without QUIT: the server rolls the deletion back.
    CPop3Client client(false, kTimeout, kTimeout);
    client.Open(false, "", 0, "127.0.0.1", Port(), "pop3dele", "delepw");
    client.DeleteMessage(1);
    client.Disconnect();
  }
  Stat("pop3dele", "delepw", count, size);
  EXPECT_EQ(3, count);
  {
    CPop3Client client(false, kTimeout, kTimeout);
    client.Open(false, "", 0, "127.0.0.1", Port(), "pop3dele", "delepw");
    client.DeleteMessage(1);
    client.Logout();
  }
  Stat("pop3dele", "delepw", count, size);
  EXPECT_EQ(2, count);
}

}  // namespace
