// The handshake's edges: the client certificate, a server that asks for one, and a
// server whose handshake never ends.
#include <gtest/gtest.h>

#include "TlsTestSocket.h"
#include "pop3/ClientCertificate.h"

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
    EXPECT_TRUE(CertCompareCertificateName(X509_ASN_ENCODING, &cert->pCertInfo->Subject,
                                           &cert->pCertInfo->Issuer));
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
  CSslChannel channel(connection.Get());
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
  CSslChannel channel(connection.Get());
  EXPECT_LE(channel.Start(), 0);
  char buffer[100];
  EXPECT_EQ(-1, channel.Receive(buffer, sizeof(buffer)));
}

}  // namespace
