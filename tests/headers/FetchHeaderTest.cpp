// FetchHeader's retry rule against a scripted peer, and the whole fetch
// against the run's Dovecot.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ScriptedServer.h"
#include "WaitUntil.h"
#include "pop3/HeaderParse.h"
#include "pop3/MailHeader.h"
#include "pop3/Pop3Client.h"

namespace {

using Lines = std::vector<std::string>;

const char kFull[] = "+OK\r\nFrom: a@x\r\nSubject: s\r\nDate: 5 Jun 2007 14:03 GMT\r\n\r\n.\r\n";
const char kNoDate[] = "+OK\r\nFrom: a@x\r\nSubject: s\r\n\r\n.\r\n";

void Open(CPop3Client& client, const CScriptedServer& server) {
  client.Open(false, "", 0, "127.0.0.1", server.Port(), "bob", "secret");
}

TEST(FetchHeader, CompleteHeaderIsOneTopAndList) {
  CScriptedServer server;
  Answer(Answer(ScriptLogin(server), kFull), "+OK 2 1000\r\n");
  server.Start();
  CPop3Client client(false, 5, 5);
  Open(client, server);
  MailHeader header;
  client.FetchHeader(2, header);
  EXPECT_EQ(" a@x", header.from);
  EXPECT_EQ(" s", header.subject);
  EXPECT_EQ(" 5 Jun 2007 14:03 GMT", header.date);
  EXPECT_EQ("1000", header.sizeBytes);
  EXPECT_EQ("2 KB", header.sizeText);
  EXPECT_EQ((Lines{"+OK", "From: a@x", "Subject: s", "Date: 5 Jun 2007 14:03 GMT", "", "."}), header.lines);
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "TOP 2 0", "LIST 2"}}), server.Received());
}

TEST(FetchHeader, IncompleteHeaderReconnectsOnceAndKeepsSecondResult) {
  CScriptedServer server;
  Answer(ScriptLogin(server), kNoDate).AcceptNext();
  Answer(Answer(ScriptLogin(server), kNoDate), "+OK 1 999\r\n");
  server.Start();
  CPop3Client client(false, 5, 5);
  Open(client, server);
  MailHeader header;
  header.date = "stale";
  client.FetchHeader(1, header);
  EXPECT_EQ("", header.date);
  EXPECT_EQ(" s", header.subject);
  EXPECT_EQ("1 KB", header.sizeText);
  EXPECT_EQ(5u, header.lines.size());  // the second reply only
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "TOP 1 0"},
                                {"USER bob", "PASS secret", "TOP 1 0", "LIST 1"}}),
            server.Received());
}

TEST(FetchHeader, FailureIsRetriedOnceThenReachesCaller) {
  CScriptedServer server;
  Answer(ScriptLogin(server), "-ERR busy\r\n").AcceptNext();
  Answer(Answer(ScriptLogin(server), kFull), "-ERR no such message\r\n").ExpectLine();
  server.Start();
  CPop3Client client(false, 5, 5);
  Open(client, server);
  MailHeader header;
  EXPECT_THROW(client.FetchHeader(3, header), CPop3Exception);
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ((std::vector<Lines>{{"USER bob", "PASS secret", "TOP 3 0"},
                                {"USER bob", "PASS secret", "TOP 3 0", "LIST 3"}}),
            server.Received());
}

// Dovecot's log line for each ended session carries "top=<count>/<bytes>".
struct Sessions {
  int count = 0;
  int tops = 0;
};

Sessions ReadSessions(const char* user) {
  Sessions result;
  std::string path = WinePath(EnvString("TIDEWELL_RUN_DIR") + "/dovecot/dovecot.log");
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return result;
  std::string tag = std::string("pop3(") + user + ")";
  char line[1024];
  while (fgets(line, sizeof(line), f)) {
    const char* top = strstr(line, " top=");
    if (!strstr(line, tag.c_str()) || !strstr(line, "Disconnected") || !top) continue;
    result.count++;
    result.tops += atoi(top + 5);
  }
  fclose(f);
  return result;
}

// Waits for Dovecot to log the sessions that have ended.
Sessions WaitForSessions(const char* user, int count) {
  Sessions sessions;
  WaitUntil([&] { return (sessions = ReadSessions(user)).count >= count; }, 5000);
  return sessions;
}

TEST(FetchHeaderDovecot, FetchesAndDecodesTheMailbox) {
  int port = EnvInt("TIDEWELL_POP3_PORT");
  ASSERT_NE(0, port);
  Sessions before = ReadSessions("headers");
  CPop3Client client(false, 5, 5);
  client.Open(false, "", 0, "127.0.0.1", port, "headers", "headerspw");

  MailHeader full;
  client.FetchHeader(1, full);
  EXPECT_EQ(" \"Carol Example\" <carol@example.test>", full.from);
  EXPECT_EQ(" Tue, 05 Jun 2007 14:03:22 +0200", full.date);
  // The whole line as it came; decoding cuts it to what the window shows.
  EXPECT_EQ(0u, full.subject.find(" =?ISO-8859-1?Q?Caf=E9?= sss"));
  EXPECT_EQ(256u, DecodeHeaderValue(full.subject).size());  // 255 characters, the accented one in two bytes
  EXPECT_EQ(" Caf\xC3\xA9 sss", full.subject.substr(0, 10));
  EXPECT_EQ("+OK", full.lines.front().substr(0, 3));
  EXPECT_EQ(".", full.lines.back());

  MailHeader small, large;
  client.FetchHeader(3, small);
  client.FetchHeader(4, large);
  EXPECT_EQ("999", small.sizeBytes);
  EXPECT_EQ("1 KB", small.sizeText);
  EXPECT_EQ("1000", large.sizeBytes);
  EXPECT_EQ("2 KB", large.sizeText);
  client.Logout();
  Sessions after = WaitForSessions("headers", before.count + 1);
  EXPECT_EQ(before.count + 1, after.count);
  EXPECT_EQ(before.tops + 3, after.tops);

  CPop3Client again(false, 5, 5);
  again.Open(false, "", 0, "127.0.0.1", port, "headers", "headerspw");
  MailHeader noDate;
  again.FetchHeader(2, noDate);
  EXPECT_EQ("", noDate.date);
  EXPECT_EQ(" No date here", noDate.subject);
  again.Logout();
  // Two sessions, one TOP each: the reconnection after the incomplete header.
  Sessions last = WaitForSessions("headers", after.count + 2);
  EXPECT_EQ(after.count + 2, last.count);
  EXPECT_EQ(after.tops + 2, last.tops);
}

}  // namespace
