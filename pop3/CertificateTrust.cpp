// Server certificates: fingerprint, names, dates, chain validation.
#include "pop3/CertificateTrust.h"

#include <vector>

#include "framework/Format.h"
#include "pop3/CryptoHandles.h"

namespace {

// The AES provider has SHA-256 on every system that has it at all; the
// default (RSA full) provider of older systems does not.
CScopedProvider HashProvider() {
  CScopedProvider provider;
  if (!CryptAcquireContextA(provider.Put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
    provider.Release();
  return provider;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
  wide.resize(n - 1);
  return wide;
}

std::string NameText(PCCERT_CONTEXT cert, CERT_NAME_BLOB* name) {
  DWORD n = CertNameToStrA(cert->dwCertEncodingType, name, CERT_X500_NAME_STR, nullptr, 0);
  if (n <= 1) return std::string();
  std::vector<char> text(n);
  CertNameToStrA(cert->dwCertEncodingType, name, CERT_X500_NAME_STR, text.data(), n);
  return text.data();
}

std::string TimeText(const FILETIME& time) {
  SYSTEMTIME t;
  if (!FileTimeToSystemTime(&time, &t)) return std::string();
  return Format("%04u-%02u-%02u %02u:%02u UTC", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}

// Wine's SSL policy passes a chain whose issuer was never found, so the
// chain's own status must be clean as well; this names what it reports.
DWORD ChainProblem(DWORD status) {
  if (status & CERT_TRUST_IS_NOT_TIME_VALID) return static_cast<DWORD>(CERT_E_EXPIRED);
  if (status & CERT_TRUST_IS_UNTRUSTED_ROOT) return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
  if (status & CERT_TRUST_IS_PARTIAL_CHAIN) return static_cast<DWORD>(CERT_E_CHAINING);
  if (status & CERT_TRUST_IS_REVOKED) return static_cast<DWORD>(CRYPT_E_REVOKED);
  if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return static_cast<DWORD>(CERT_E_WRONG_USAGE);
  return static_cast<DWORD>(TRUST_E_FAIL);
}

}  // namespace

std::string CertificateFingerprint(PCCERT_CONTEXT cert) {
  const CScopedProvider provider = HashProvider();
  BYTE hash[32];
  DWORD size = sizeof(hash);
  if (!provider.Get() ||
      !CryptHashCertificate(provider.Get(), CALG_SHA_256, 0, cert->pbCertEncoded, cert->cbCertEncoded, hash,
                            &size) ||
      size != sizeof(hash))
    return std::string();
  std::string text;
  for (DWORD i = 0; i < size; ++i) text += Format(i == 0 ? "%02X" : ":%02X", hash[i]);
  return text;
}

bool VerifyServerChain(PCCERT_CONTEXT cert, const std::string& host, DWORD& problem) {
  LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA para = {};
  para.cbSize = sizeof(para);
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
  CScopedChain chain;
  // The certificate's own store holds the intermediates the server sent.
  if (!CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, 0, nullptr, chain.Put())) {
    problem = GetLastError();
    return false;
  }
  std::wstring name = Widen(host);
  HTTPSPolicyCallbackData https = {};
  https.cbStruct = sizeof(https);
  https.dwAuthType = AUTHTYPE_SERVER;
  https.pwszServerName = name.empty() ? nullptr : &name[0];
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof(policy);
  policy.pvExtraPolicyPara = &https;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof(status);
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.Get(), &policy, &status))
    problem = static_cast<DWORD>(TRUST_E_FAIL);
  else if (status.dwError != 0)
    problem = status.dwError;
  else if (chain.Get()->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR)
    problem = ChainProblem(chain.Get()->TrustStatus.dwErrorStatus);
  else
    problem = 0;
  return problem == 0;
}

ServerCertificate DescribeServerCertificate(PCCERT_CONTEXT cert, const std::string& host) {
  ServerCertificate out;
  out.fingerprint = CertificateFingerprint(cert);
  out.subject = NameText(cert, &cert->pCertInfo->Subject);
  out.issuer = NameText(cert, &cert->pCertInfo->Issuer);
  out.validFrom = TimeText(cert->pCertInfo->NotBefore);
  out.validTo = TimeText(cert->pCertInfo->NotAfter);
  out.chainTrusted = VerifyServerChain(cert, host, out.problem);
  return out;
}

std::string DescribeTrustProblem(DWORD problem) {
  switch (problem) {
    case 0:
      return "trusted";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
      return "issued by an authority this system does not trust";
    case static_cast<DWORD>(CERT_E_CHAINING):
      return "issued by an unknown authority";
    case static_cast<DWORD>(CERT_E_EXPIRED):
      return "expired or not yet valid";
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return "issued for another name";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
      return "not meant for servers";
    case static_cast<DWORD>(CRYPT_E_REVOKED):
      return "revoked";
    default:
      return Format("not trusted (0x%08lX)", static_cast<unsigned long>(problem));
  }
}

std::string RequireTrustedChain(const ServerCertificate& certificate) {
  if (certificate.chainTrusted) return std::string();
  return "The server's certificate is not trusted: " + DescribeTrustProblem(certificate.problem);
}
