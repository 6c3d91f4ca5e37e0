// Record-level behaviour of CSslChannel against the native peer (tls_peer.py), which
// shapes records and their timing on the wire.
#include <gtest/gtest.h>

#include "Pop3Thrown.h"

#include "TlsTestSocket.h"
#include "pop3/Pop3Client.h"
#include "pop3/Pop3Exception.h"

namespace {

class SslChannelPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_connection.Connected());
    ASSERT_EQ(0, m_channel.Start());
  }
  void Ask(const std::string& scenario) { ASSERT_TRUE(SendText(m_channel, scenario + "\n")); }

  CTestConnection m_connection{PeerTlsPort()};
  CSslChannel m_channel{m_connection.Get(), SslWaitLimits(), AnyCertificate()};
};

// Many full records, read in chunks smaller and larger than a record.
TEST_F(SslChannelPeer, LargeReplyOverManyRecords) {
  for (int chunk : {255, 70000}) {
    SCOPED_TRACE(chunk);
    CTestConnection connection(PeerTlsPort());
    CSslChannel channel(connection.Get(), SslWaitLimits(), AnyCertificate());
    ASSERT_EQ(0, channel.Start());
    ASSERT_TRUE(SendText(channel, "large 200000\n"));
    std::string got = ReceiveBytes(channel, 200000, chunk);
    ASSERT_EQ(200000u, got.size());
    EXPECT_TRUE(got == Pattern(200000));
  }
}

// At most one record per call: the second record waits in the extra store and is served
// without a socket read (the peer sends nothing more, so a read would time out).
TEST_F(SslChannelPeer, TwoRecordsInOneRead) {
  Ask("two");
  char buffer[1000];
  int n = m_channel.Receive(buffer, sizeof(buffer));
  EXPECT_EQ("first\r\n", std::string(buffer, n > 0 ? n : 0));
  n = m_channel.Receive(buffer, sizeof(buffer));
  EXPECT_EQ("second\r\n", std::string(buffer, n > 0 ? n : 0));
  EXPECT_TRUE(SendText(m_channel, "done\n"));
}

// A 4000-byte record read 255 bytes at a time: one socket read, the rest from the
// pending store.
TEST_F(SslChannelPeer, SmallReadsServedFromPendingStore) {
  Ask("one 4000");
  char buffer[255];
  ASSERT_EQ(255, m_channel.Receive(buffer, sizeof(buffer)));
  std::string got(buffer, 255);
  for (int i = 0; i < 15; ++i) {
    int n = m_channel.Receive(buffer, sizeof(buffer));
    ASSERT_GT(n, 0) << "call " << i;
    got.append(buffer, n);
  }
  EXPECT_TRUE(got == Pattern(4000));
  EXPECT_TRUE(SendText(m_channel, "done\n"));
}

// A record that trickles in on a non-blocking socket: the bytes read before
// WSAEWOULDBLOCK must be kept so the stream continues where it stopped.
TEST_F(SslChannelPeer, PartialRecordWithPausesOnNonBlockingSocket) {
  Ask("split 3000");
  m_connection.SetNonBlocking();
  std::string got = ReceiveBytes(m_channel, 3000, 4096);
  EXPECT_EQ(3000u, got.size());
  EXPECT_TRUE(got == Pattern(3000));
  SendText(m_channel, "done\n");
}

TEST_F(SslChannelPeer, CloseNotificationReadsAsClosed) {
  Ask("bye");
  EXPECT_EQ("bye\r\n", ReceiveLine(m_channel));
  char buffer[100];
  EXPECT_EQ(0, m_channel.Receive(buffer, sizeof(buffer)));
}

// Each record leaves in one write. The peer holds its ACKs back, so a record written in
// parts would arrive in parts (Nagle's rule keeps the rest until the first is acknowledged).
TEST_F(SslChannelPeer, EachRecordArrivesInOneRead) {
  Ask("reads 3");
  EXPECT_EQ("go\r\n", ReceiveLine(m_channel));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SendText(m_channel, "STAT\r\n"));
    EXPECT_EQ("1\r\n", ReceiveLine(m_channel)) << "record " << i;
  }
}

// Sends larger than one record are split into records the peer reassembles.
TEST_F(SslChannelPeer, SendSplitsIntoRecords) {
  const size_t size = 50000;
  std::string data = Pattern(size);
  unsigned sum = 0;
  for (unsigned char c : data) sum += c;
  Ask("sink " + std::to_string(size));
  ASSERT_TRUE(SendText(m_channel, data));
  EXPECT_EQ("got " + std::to_string(size) + " " + std::to_string(sum % 65521) + "\r\n",
            ReceiveLine(m_channel));
  SendText(m_channel, "done\n");
}

// A plain server on the TLS port: the handshake fails and the channel then reports
// failure, never data.
TEST(SslChannelPlainPeer, HandshakeFailsAndReceiveFails) {
  CTestConnection connection(PeerPlainPort());
  ASSERT_TRUE(connection.Connected());
  CSslChannel channel(connection.Get(), SslWaitLimits(), AnyCertificate());
  // Start reports -1, or 0 when the server hung up during the handshake: either way no
  // record may flow afterwards.
  EXPECT_LE(channel.Start(), 0);
  char buffer[100];
  WSASetLastError(WSAEWOULDBLOCK);
  EXPECT_EQ(-1, channel.Receive(buffer, sizeof(buffer)));
  EXPECT_EQ(WSAECONNABORTED, WSAGetLastError());
  EXPECT_EQ(-1, channel.Send("x", 1));
  EXPECT_EQ(-1, channel.Shutdown());
}

TEST(SslChannelPlainPeer, ClientReportsReceiveFailure) {
  CPop3Client client(true, 5, 5);
  const std::string thrown =
      Thrown([&] { client.Open(false, "", 0, "127.0.0.1", PeerPlainPort(), "alice", "alicepw"); });
  // The channel reports the lost connection itself, never a stale "would block"
  // that would have the client poll until its time-out.
  EXPECT_EQ("5 Failed to receive response (10053: connection aborted) / Socket error 10053", thrown);
}

}  // namespace
