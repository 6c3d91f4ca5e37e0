// Reply collection and splitting against a scripted peer that cuts replies
// into chunks, sends wrong markers, trailing bytes, or closes.
#include <gtest/gtest.h>

#include <string>

#include "Pop3Thrown.h"
#include "ScriptedServer.h"
#include "pop3/Pop3Connection.h"

namespace {

struct FramingCase {
  const char* name;
  std::string bytes;
  size_t chunkSize;
  DWORD pauseMs;
  bool multiLine;
  bool closeAfter;
  ReplyLines expected;  // when the reply completes
  int code;             // -1 when it completes
  std::string message;  // of the exception
  std::string detail;
};

void PrintTo(const FramingCase& c, std::ostream* os) {
  *os << c.name;
}

class ReplyFramingTest : public ::testing::TestWithParam<FramingCase> {};

TEST_P(ReplyFramingTest, CollectsAndSplits) {
  const FramingCase& c = GetParam();
  CScriptedServer server;
  server.Send(c.bytes, c.chunkSize, c.pauseMs);
  if (c.closeAfter) server.Close();
  server.Start();

  CPop3Connection connection(false, 1, 1);
  ASSERT_TRUE(connection.Connect("127.0.0.1", server.Port()));
  ReplyLines lines = {"kept"};
  try {
    connection.ReadReply(lines, 1, c.multiLine);
    ASSERT_EQ(-1, c.code) << "reply completed unexpectedly";
    ReplyLines expected = {"kept"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(expected, lines);
  } catch (const CPop3Exception& e) {
    ASSERT_NE(-1, c.code) << e.message << " / " << e.detail;
    EXPECT_EQ(c.code, e.code);
    EXPECT_EQ(c.message, e.message);
    EXPECT_EQ(c.detail, e.detail);
    EXPECT_EQ(ReplyLines{"kept"}, lines) << "a failed read must not append";
  }
}

const std::string kLong = "+OK " + std::string(70000, 'a');

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyFramingTest,
    ::testing::Values(
        FramingCase{"WholeLine", "+OK ready\r\n", 0, 0, false, false, {"+OK ready"}, -1, "", ""},
        FramingCase{"ByteByByte", "+OK 2 320\r\n", 1, 10, false, false, {"+OK 2 320"}, -1, "", ""},
        FramingCase{"MarkerSplit", "+OK split\r\n", 2, 60, false, false, {"+OK split"}, -1, "", ""},
        FramingCase{"CrLfSplit", "+OK a\r\n", 6, 60, false, false, {"+OK a"}, -1, "", ""},
        FramingCase{"MultiLineChunks",
                    "+OK\r\nSubject: x\r\n..dotted\r\n\r\n.\r\n",
                    3,
                    5,
                    true,
                    false,
                    {"+OK", "Subject: x", "..dotted", "", "."},
                    -1,
                    "",
                    ""},
        FramingCase{"MultiLineEmptyBody", "+OK\r\n.\r\n", 0, 0, true, false, {"+OK", "."}, -1, "", ""},
        FramingCase{"LowerCaseMarker", "+ok ready\r\n", 0, 0, false, false, {}, 6, "Receive timeout", ""},
        FramingCase{"NoLineEnd", "+OK ready", 0, 0, false, false, {}, 6, "Receive timeout", ""},
        FramingCase{"BytesAfterTerminator",
                    "+OK\r\nA: b\r\n.\r\nX",
                    0,
                    0,
                    true,
                    false,
                    {"+OK", "A: b", "."},
                    -1,
                    "",
                    ""},
        FramingCase{
            "MultiLineWithoutTerminator", "+OK\r\nA: b\r\n", 0, 0, true, false, {}, 6, "Receive timeout", ""},
        FramingCase{"ErrAtFourthByte", "-ERR", 0, 0, false, false, {}, 7, "-ERR", ""},
        FramingCase{"ErrWithLineEnd",
                    "-ERR no such message\r\n",
                    0,
                    0,
                    false,
                    false,
                    {},
                    7,
                    "-ERR no such message\r\n",
                    ""},
        FramingCase{"ClosedBeforeReply",
                    "",
                    0,
                    0,
                    false,
                    true,
                    {},
                    5,
                    "Failed to receive response",
                    "Socket closed by server"},
        FramingCase{"ClosedMidReply",
                    "+OK par",
                    0,
                    0,
                    false,
                    true,
                    {},
                    5,
                    "Failed to receive response",
                    "Socket closed by server"},
        FramingCase{
            "EndlessLine", kLong, 0, 0, false, false, {}, 5, "Failed to receive response", "Reply too long"}),
    [](const ::testing::TestParamInfo<FramingCase>& info) { return std::string(info.param.name); });

// An error reply ends the read once its fourth byte is in; the message is the
// text of the receive that brought that byte, not the reply so far. The pause
// is long enough that the first part has been read before the rest arrives.
TEST(ErrorReply, MessageIsTheChunkThatCompletedTheMarker) {
  CScriptedServer server;
  server.Send("-E").Silence(1000).Send("RR locked\r\nmore").Start();
  CPop3Connection connection(false, 10, 10);
  ASSERT_TRUE(connection.Connect("127.0.0.1", server.Port()));
  ReplyLines lines;
  try {
    connection.ReadReply(lines, 10, false);
    ADD_FAILURE() << "an error reply completed";
  } catch (const CPop3Exception& e) {
    EXPECT_EQ(7, e.code);
    EXPECT_STREQ("RR locked\r\nmore", e.message);
  }
}

// Replies sent ahead of their reads (as a pipelining server does) arrive in
// one receive; each read takes its own, and the end of the stream shows once
// nothing is held.
TEST(BackToBack, EachReadTakesItsOwnReply) {
  CScriptedServer server;
  server.Send("+OK 1\r\n+OK\r\nA: b\r\n.\r\n-ERR gone\r\n+OK 4\r\n").Close().Start();
  CPop3Connection connection(false, 10, 10);
  ASSERT_TRUE(connection.Connect("127.0.0.1", server.Port()));
  ASSERT_TRUE(server.WaitDone(5000));
  ReplyLines lines;
  connection.ReadReply(lines, 10, false);
  connection.ReadReply(lines, 10, true);
  EXPECT_EQ((ReplyLines{"+OK 1", "+OK", "A: b", "."}), lines);
  EXPECT_EQ("7 -ERR gone\r\n+OK 4\r\n / ", Thrown([&] { connection.ReadReply(lines, 10, false); }));
  connection.ReadReply(lines, 10, false);
  EXPECT_EQ("+OK 4", lines.back());
  EXPECT_EQ("5 Failed to receive response / Socket closed by server",
            Thrown([&] { connection.ReadReply(lines, 10, false); }));
}

// Multi-line replies may pass the one-line cap, but not the multi-line one. The
// time-out is generous because the megabytes take a while under Wine.
std::string ReadMultiLine(const std::string& bytes, ReplyLines& lines) {
  CScriptedServer server;
  server.Send(bytes).Start();
  CPop3Connection connection(false, 60, 60);
  if (!connection.Connect("127.0.0.1", server.Port())) return "no connection";
  try {
    connection.ReadReply(lines, 1, true);
    return "";
  } catch (const CPop3Exception& e) {
    return std::string(e.message) + " / " + e.detail;
  }
}

TEST(ReplyCaps, MultiLineReplyBeyondOneLineCapCompletes) {
  std::string body;
  for (int i = 0; i < 2000; ++i) body += "Received: from relay" + std::to_string(i) + ".example.test\r\n";
  ReplyLines lines;
  ASSERT_EQ("", ReadMultiLine("+OK\r\n" + body + ".\r\n", lines));
  EXPECT_EQ(2002u, lines.size());
  EXPECT_EQ(".", lines.back());
}

TEST(ReplyCaps, EndlessMultiLineReplyStopsAtSixteenMegabytes) {
  std::string line(1022, 'b');
  line += "\r\n";
  std::string bytes = "+OK\r\n";
  while (bytes.size() <= (17u << 20)) bytes += line;
  ReplyLines lines;
  EXPECT_EQ("Failed to receive response / Reply too long", ReadMultiLine(bytes, lines));
  EXPECT_TRUE(lines.empty());
}

// A long reply read while keeping only its first bytes: the status line and
// the lines that fit are kept (a line that looks like "-ERR" included), the
// rest is not waited for, and the connection, in the middle of the reply, is
// closed: however much a server sends, no more is read.
TEST(ReplyCaps, KeepingStopsAtItsCapAndClosesTheConnection) {
  std::string body;
  for (int i = 0; i < 20000; ++i) body += "line " + std::to_string(i) + " of a long body\r\n";
  CScriptedServer server;
  server.Send("+OK top\r\nSubject: a\r\n\r\n-ERR is text here\r\n" + body + ".\r\n+OK 2 320\r\n").Start();
  CPop3Connection connection(false, 30, 30);
  ASSERT_TRUE(connection.Connect("127.0.0.1", server.Port()));
  ReplyLines lines;
  EXPECT_TRUE(connection.ReadReplyKeeping(lines, 30, 65));  // to the end of "line 0"
  EXPECT_EQ((ReplyLines{"+OK top", "Subject: a", "", "-ERR is text here", "line 0 of a long body", "."}),
            lines);
  lines.clear();
  EXPECT_THROW(connection.ReadReply(lines, 30, false), CPop3Exception);
  EXPECT_TRUE(lines.empty());

  CScriptedServer shortReply;
  shortReply.Send("+OK\r\nA: b\r\n.\r\n").Start();
  CPop3Connection second(false, 30, 30);
  ASSERT_TRUE(second.Connect("127.0.0.1", shortReply.Port()));
  lines.clear();
  EXPECT_FALSE(second.ReadReplyKeeping(lines, 30, 64));
  EXPECT_EQ((ReplyLines{"+OK", "A: b", "."}), lines);
}

}  // namespace
