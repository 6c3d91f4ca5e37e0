// What a TLS server's certificate is and whether the system trusts it for the
// server's name. Free of windows.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <functional>
#include <string>

// A server's certificate as the connection read it after its handshake.
struct ServerCertificate {
  std::string fingerprint;  // SHA-256 of the encoded certificate, "AB:CD:..." (95 characters)
  std::string subject, issuer;
  std::string validFrom, validTo;  // "yyyy-mm-dd hh:mm UTC"
  bool chainTrusted = false;       // the system's trust store vouches for it, for the host name
  DWORD problem = 0;               // why not: a CERT_E_ or TRUST_E_ code; 0 when trusted
};

// Reads cert and validates it for host (no name is compared when host is empty).
ServerCertificate DescribeServerCertificate(PCCERT_CONTEXT cert, const std::string& host);
// The SHA-256 fingerprint in the "AB:CD:..." form; empty when it cannot be computed.
std::string CertificateFingerprint(PCCERT_CONTEXT cert);
// Builds the chain with the system's stores and applies the SSL server policy
// for host. False, with the reason in problem, when the chain is not trusted.
bool VerifyServerChain(PCCERT_CONTEXT cert, const std::string& host, DWORD& problem);
// A short text for a problem code: "expired", "issued for another name"...
std::string DescribeTrustProblem(DWORD problem);

// The verdict on a server's certificate, taken once its handshake is done and
// before anything is sent: an empty text accepts it, any other text refuses it
// and says why.
using CertificateCheck = std::function<std::string(const ServerCertificate&)>;
// The check of a connection that belongs to no account: the system's word alone.
std::string RequireTrustedChain(const ServerCertificate& certificate);
