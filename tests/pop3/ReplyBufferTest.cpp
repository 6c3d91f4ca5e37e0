// Reply framing from the receive buffer: the same replies however the bytes
// are cut into receives, replies sent back to back, and the caps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pop3/ReplyBuffer.h"

namespace {

struct Framed {
  std::vector<ReplyLines> replies;  // in order
  std::string error;                // "-ERR" text, or "too long"
  size_t left = 0;                  // bytes held after the last reply

  bool operator==(const Framed& o) const {
    return replies == o.replies && error == o.error && left == o.left;
  }
};

void PrintTo(const Framed& f, std::ostream* os) {
  *os << ::testing::PrintToString(f.replies) << " error '" << f.error << "' left " << f.left;
}

void Receive(CReplyBuffer& buffer, const std::string& piece) {
  size_t room = 0;
  char* at = buffer.Room(room);
  ASSERT_GE(room, CReplyBuffer::kReadSize);
  ASSERT_LE(piece.size(), room);
  memcpy(at, piece.data(), piece.size());
  buffer.Commit(piece.size());
}

// Feeds the pieces one receive each, reading replies of the given kinds
// whenever one is complete, as ReadReply does.
Framed FrameAll(const std::vector<std::string>& pieces, const std::vector<bool>& multiLine, size_t cap) {
  CReplyBuffer buffer;
  Framed out;
  size_t next = 0;
  for (size_t r = 0; r < multiLine.size(); ++r) {
    for (;;) {
      CReplyBuffer::Frame frame = buffer.Look(multiLine[r], cap);
      if (frame == CReplyBuffer::Complete) {
        out.replies.emplace_back();
        buffer.TakeLines(out.replies.back());
        break;
      }
      if (frame == CReplyBuffer::ServerError) out.error = buffer.TakeErrorText();
      if (frame == CReplyBuffer::TooLong) out.error = "too long";
      if (frame != CReplyBuffer::Incomplete || next == pieces.size()) {
        out.left = buffer.Held();
        return out;
      }
      Receive(buffer, pieces[next++]);
    }
  }
  out.left = buffer.Held();
  return out;
}

struct SplitCase {
  const char* name;
  std::string bytes;
  std::vector<bool> multiLine;  // the replies asked for, in order
  Framed expected;              // when the bytes come in one receive
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << c.name;
}

class ReplySplitTest : public ::testing::TestWithParam<SplitCase> {};

// Every cut into two receives, and one receive per byte, frame as one piece
// does; an error's text is what the receive that completed "-ERR" brought.
TEST_P(ReplySplitTest, EveryCutFramesTheSame) {
  const SplitCase& c = GetParam();
  const size_t cap = 1 << 20;
  ASSERT_EQ(c.expected, FrameAll({c.bytes}, c.multiLine, cap));
  for (size_t cut = 1; cut < c.bytes.size(); ++cut) {
    Framed expected = c.expected;
    const size_t err = c.bytes.find("-ERR");
    if (err != std::string::npos) {
      const size_t lineEnd = c.bytes.find("\r\n", err) + 2;
      if (cut >= err + 4) {
        expected.error = c.bytes.substr(err, cut - err);
        expected.left = lineEnd <= cut ? cut - lineEnd : 0;
      } else {
        expected.error = c.bytes.substr(std::max(err, cut));
      }
    }
    EXPECT_EQ(expected, FrameAll({c.bytes.substr(0, cut), c.bytes.substr(cut)}, c.multiLine, cap))
        << "cut at " << cut;
  }
  std::vector<std::string> bytes;
  for (char ch : c.bytes) bytes.emplace_back(1, ch);
  if (c.expected.error.empty()) {
    EXPECT_EQ(c.expected, FrameAll(bytes, c.multiLine, cap)) << "byte by byte";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplySplitTest,
    ::testing::Values(SplitCase{"OneLine", "+OK 2 320\r\n", {false}, {{{"+OK 2 320"}}, "", 0}},
                      SplitCase{"MultiLine",
                                "+OK\r\nSubject: x\r\n..dotted\r\n\r\n.\r\n",
                                {true},
                                {{{"+OK", "Subject: x", "..dotted", "", "."}}, "", 0}},
                      SplitCase{"EmptyBody", "+OK\r\n.\r\n", {true}, {{{"+OK", "."}}, "", 0}},
                      // A bare LF or CR ends no line; a dot line only ends the block alone.
                      SplitCase{"BareLineEnds",
                                "+OK a\nb\r\nX: \r.\r\n.x\r\n .\r\n.\r\n",
                                {true},
                                {{{"+OK a\nb", "X: \r.", ".x", " .", "."}}, "", 0}},
                      SplitCase{"BackToBack",
                                "+OK 1\r\n+OK\r\nA: b\r\n.\r\n+OK 3\r\n+OK 4",
                                {false, true, false, false},
                                {{{"+OK 1"}, {"+OK", "A: b", "."}, {"+OK 3"}}, "", 5}},
                      SplitCase{"ErrorAfterReply",
                                "+OK\r\n.\r\n-ERR no such message\r\n+OK 9\r\n",
                                {true, false, false},
                                {{{"+OK", "."}}, "-ERR no such message\r\n+OK 9\r\n", 7}},
                      SplitCase{"ErrorLineDropped",
                                "-ERR locked\r\n+OK\r\n",
                                {false, false},
                                {{}, "-ERR locked\r\n+OK\r\n", 5}},
                      SplitCase{"LowerCaseNeverCompletes", "+ok ready\r\n", {false}, {{}, "", 11}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

// A reply may be as long as the cap, not longer; one that never completes
// stops once it passes the cap.
TEST(ReplyBufferCap, ReplyUpToTheCapCompletes) {
  const std::string line = "+OK 12345678\r\n";  // 14 bytes
  EXPECT_EQ(Framed({{{"+OK 12345678"}}, "", 0}), FrameAll({line}, {false}, 14));
  EXPECT_EQ(Framed({{}, "too long", 14}), FrameAll({line}, {false}, 13));
  EXPECT_EQ(Framed({{}, "too long", 20}), FrameAll({std::string(20, '+')}, {false}, 19));
  const std::string block = "+OK\r\nA: b\r\n.\r\n";  // 14 bytes
  EXPECT_EQ(Framed({{{"+OK", "A: b", "."}}, "", 0}), FrameAll({block}, {true}, 14));
  EXPECT_EQ(Framed({{}, "too long", 14}), FrameAll({block}, {true}, 13));
}

// A long reply's room is given back once it has been taken.
TEST(ReplyBufferCap, LongReplyGrowsTheBufferAndLeavesNothingBehind) {
  std::string block = "+OK\r\n";
  while (block.size() < 200000) block += "Received: from relay.example.test\r\n";
  block += ".\r\n+OK next\r\n";
  std::vector<std::string> pieces;
  for (size_t at = 0; at < block.size(); at += 1000) pieces.push_back(block.substr(at, 1000));
  Framed framed = FrameAll(pieces, {true, false}, 1 << 20);
  ASSERT_EQ(2u, framed.replies.size());
  EXPECT_EQ(".", framed.replies[0].back());
  EXPECT_EQ(ReplyLines{"+OK next"}, framed.replies[1]);
  EXPECT_EQ(0u, framed.left);
}

}  // namespace
