// A header listing with commands sent ahead against scripted servers: the
// headers, sessions and errors are those of the one-at-a-time listing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Pop3Thrown.h"
#include "ScriptedServer.h"
#include "pop3/HeaderWindow.h"
#include "pop3/MailHeader.h"
#include "pop3/Pop3Client.h"

namespace {

using Script = std::function<void(CScriptedServer&)>;

std::string Top(const char* subject, bool dated = true) {
  return std::string("+OK\r\nFrom: a@example.test\r\nSubject: ") + subject + "\r\n" +
         (dated ? "Date: Tue, 05 Jun 2007 14:03:22 +0200\r\n" : "") + ".\r\n";
}

std::string List(int number) {
  return "+OK " + std::to_string(number) + " " + std::to_string(number * 1000) + "\r\n";
}

// Each message's header and session as one text, then what ended the listing.
std::vector<std::string> ListHeaders(const Script& script, int count, bool ahead) {
  CScriptedServer server;
  ScriptLogin(server);
  Answer(server, "+OK\r\nUSER\r\npipelining\r\n.\r\n");
  script(server);
  server.Start();
  CPop3Client client(false, 5, 5);
  client.Open(false, "", 0, "127.0.0.1", server.Port(), "bob", "secret");
  std::vector<std::string> listed;
  if (!client.OffersPipelining()) listed.push_back("no pipelining");
  CHeaderWindow window(client, count);
  if (ahead) window.Start();
  for (int n = 1; n <= count; ++n) {
    MailHeader header;
    std::string thrown =
        Thrown([&] { ahead ? client.FetchHeader(n, header, window) : client.FetchHeader(n, header); });
    if (thrown != "nothing thrown") {
      listed.push_back(thrown);
      break;
    }
    std::string text = std::to_string(client.SessionNumber()) + header.subject + "|" + header.date + "|" +
                       header.sizeBytes + "|" + header.sizeText;
    for (const std::string& line : header.lines) text += "|" + line;
    listed.push_back(text);
  }
  client.Disconnect();
  return listed;
}

void ExpectSameBothWays(const Script& script, int count, const std::vector<std::string>& firstFields) {
  std::vector<std::string> one = ListHeaders(script, count, false);
  ASSERT_EQ(firstFields.size(), one.size()) << ::testing::PrintToString(one);
  for (size_t i = 0; i < one.size(); ++i) EXPECT_EQ(0u, one[i].find(firstFields[i])) << one[i];
  EXPECT_EQ(one, ListHeaders(script, count, true));
}

// A header without a date is asked for again on a new connection, which
// lists the rest one message at a time.
TEST(HeaderWindow, AnswersAndAnIncompleteHeaderListAsOneAtATime) {
  ExpectSameBothWays(
      [](CScriptedServer& s) {
        Answer(Answer(s, Top("one")), List(1));
        Answer(s, Top("two", false)).AcceptNext();
        ScriptLogin(s);
        Answer(Answer(s, Top("two", false)), List(2));
        Answer(Answer(s, Top("three")), List(3));
      },
      3, {"1 one| Tue", "2 two||2000|3 KB|+OK", "2 three| Tue, 05 Jun 2007 14:03:22 +0200|3000|4 KB|+OK"});
}

TEST(HeaderWindow, ConnectionDroppedInTheWindowIsRetried) {
  ExpectSameBothWays(
      [](CScriptedServer& s) {
        Answer(Answer(s, Top("one")), List(1));
        Answer(s, "+OK\r\nFrom: a@exa").AcceptNext();
        ScriptLogin(s);
        Answer(Answer(s, Top("two")), List(2));
        Answer(Answer(s, Top("three")), List(3));
      },
      3, {"1 one", "2 two", "2 three"});
}

TEST(HeaderWindow, ErrorForOneMessageTwiceEndsTheListing) {
  ExpectSameBothWays(
      [](CScriptedServer& s) {
        Answer(Answer(s, Top("one")), List(1));
        Answer(s, "-ERR no such message\r\n").AcceptNext();
        ScriptLogin(s);
        Answer(s, "-ERR no such message\r\n");
      },
      3, {"1 one", "7 -ERR no such message\r\n / "});
}

// A window closed before the end reads off the replies still outstanding:
// the next command gets its own reply on the same connection.
TEST(HeaderWindow, ClosedEarlyLeavesNoReplyOutstanding) {
  CScriptedServer server;
  ScriptLogin(server);
  for (int n = 1; n <= 4; ++n) Answer(Answer(server, Top("m")), List(n));
  Answer(server, "+OK 4 4000\r\n");
  server.Start();
  CPop3Client client(false, 5, 5);
  client.Open(false, "", 0, "127.0.0.1", server.Port(), "bob", "secret");
  {
    CHeaderWindow window(client, 4);
    window.Start();
    MailHeader header;
    client.FetchHeader(1, header, window);
  }
  int count = 0, size = 0;
  client.GetStatistics(count, size);
  EXPECT_EQ(4000, size);
  EXPECT_EQ(1, client.SessionNumber());
  client.Disconnect();
}

}  // namespace
