// The handshake's edges: the client certificate, a server that asks for one, a
// server whose handshake never ends, and servers that never answer it.
#include <gtest/gtest.h>

#include <thread>

#include "Pop3Thrown.h"
#include "ScriptedServer.h"
#include "TlsTestSocket.h"
#include "pop3/ClientCertificate.h"
#include "pop3/Pop3Client.h"

namespace {

struct CCertificate {
  explicit CCertificate(PCCERT_CONTEXT c) : cert(c) {}
  ~CCertificate() {
    if (cert) CertFreeCertificateContext(cert);
  }
  PCCERT_CONTEXT cert;
};

std::string SubjectOf(PCCERT_CONTEXT cert) {
  char name[256] = {};
  CertNameToStrA(X509_ASN_ENCODING, &cert->pCertInfo->Subject, CERT_X500_NAME_STR, name, sizeof(name));
  return name;
}

ULONGLONG Ticks(const FILETIME& t) {
  return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// The second call finds the container the first one created and makes a new key in it.
TEST(ClientCertificate, SelfSignedForAYearInAReusedContainer) {
  CCertificate first(CreateClientCertificate());
  CCertificate second(CreateClientCertificate());
  ASSERT_TRUE(first.cert && second.cert);
  for (PCCERT_CONTEXT cert : {first.cert, second.cert}) {
    EXPECT_EQ("CN=Certificate", SubjectOf(cert));
    EXPECT_TRUE(
        CertCompareCertificateName(X509_ASN_ENCODING, &cert->pCertInfo->Subject, &cert->pCertInfo->Issuer));
    const double days = (Ticks(cert->pCertInfo->NotAfter) - Ticks(cert->pCertInfo->NotBefore)) / 864e9;
    EXPECT_NEAR(365.5, days, 1.5);
  }
  const CRYPT_BIT_BLOB& a = first.cert->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  const CRYPT_BIT_BLOB& b = second.cert->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  EXPECT_FALSE(a.cbData == b.cbData && memcmp(a.pbData, b.pbData, a.cbData) == 0) << "key pair not renewed";
}

// Wine's Schannel refuses credentials that carry the certificate made above (it cannot
// find a machine-set key), so a connection that succeeds here has fallen back to none.
TEST(SslHandshake, ServerAskingForACertificateGetsAConnectionWithoutOne) {
  CTestConnection connection(PeerCertRequestPort());
  ASSERT_TRUE(connection.Connected());
  CSslChannel channel(connection.Get(), SslWaitLimits(), AnyCertificate());
  ASSERT_EQ(0, channel.Start());
  ASSERT_TRUE(SendText(channel, "hello\n"));
  EXPECT_EQ("echo hello\n", ReceiveBytes(channel, 11, 100));
  SendText(channel, "done\n");
}

// However much an unfinished handshake message grows, the channel's reads stay inside its
// buffer; the handshake ends with the peer's close (or as a failure) and no record flows.
TEST(SslHandshake, EndlessHandshakeMessageStaysWithinTheBuffer) {
  CTestConnection connection(PeerFloodPort());
  ASSERT_TRUE(connection.Connected());
  CSslChannel channel(connection.Get(), SslWaitLimits(), AnyCertificate());
  EXPECT_LE(channel.Start(), 0);
  char buffer[100];
  EXPECT_EQ(-1, channel.Receive(buffer, sizeof(buffer)));
}

// A plain POP3 server on an account marked SSL greets and then waits: the package takes
// the greeting for the start of a long record and waits for the rest. The open ends at
// the receive time-out (twice over at most, should it be retried), as for any late reply.
TEST(SslHandshake, PlainServerThatWaitsFailsByTheReceiveTimeout) {
  CScriptedServer server;
  server.Send("+OK plain POP3 server ready\r\n").Silence(60000).Start();
  CPop3Client client(true, 2, 2);
  const DWORD start = GetTickCount();
  EXPECT_EQ("6 Receive timeout / ",
            Thrown([&] { client.Open(false, "", 0, "127.0.0.1", server.Port(), "bob", "secret"); }));
  EXPECT_LT(GetTickCount() - start, 15000u);
}

// A TLS port that accepts and never answers: an interrupt from another thread ends the
// handshake long before its time-out, and the open reports the broken wait.
TEST(SslHandshake, InterruptEndsAHandshakeThatGetsNoAnswer) {
  CScriptedServer server;
  server.Silence(60000).Start();
  CPop3Client client(true, 30, 30);
  std::thread interrupter([&] {
    Sleep(300);
    client.Interrupt();
  });
  const DWORD start = GetTickCount();
  EXPECT_EQ("5 Failed to receive response (10004: interrupted) / Socket error 10004",
            Thrown([&] { client.Open(false, "", 0, "127.0.0.1", server.Port(), "bob", "secret"); }));
  EXPECT_LT(GetTickCount() - start, 10000u);
  interrupter.join();
}

}  // namespace
