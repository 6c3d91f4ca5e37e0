// CreateClientCertificate: a fresh self-signed client certificate for one TLS connection.
#include "pop3/ClientCertificate.h"

#include "pop3/CryptoHandles.h"

namespace {

wchar_t kContainer[] = L"Container";
wchar_t kProvider[] = L"Microsoft Base Cryptographic Provider v1.0";

// The Base provider's default of 512 bits is refused by servers that ask for a client
// certificate signed with RSA-PSS; 1024 bits is accepted and still quick to generate.
const DWORD kKeyBits = 1024;

bool EncodeSubject(BYTE* name, DWORD& size) {
  return CertStrToNameW(X509_ASN_ENCODING, L"CN=Certificate", 0, nullptr, name, &size, nullptr) != FALSE;
}

// Reuses the container when an earlier connection already created it.
bool OpenContainer(CScopedProvider& provider) {
  if (CryptAcquireContextW(provider.Put(), kContainer, kProvider, PROV_RSA_FULL,
                           CRYPT_NEWKEYSET | CRYPT_MACHINE_KEYSET))
    return true;
  if (GetLastError() != static_cast<DWORD>(NTE_EXISTS)) return false;
  return CryptAcquireContextW(provider.Put(), kContainer, kProvider, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET) !=
         FALSE;
}

}  // namespace

PCCERT_CONTEXT CreateClientCertificate() {
  BYTE name[1000] = {};
  DWORD nameSize = sizeof(name);
  if (!EncodeSubject(name, nameSize)) return nullptr;

  CScopedProvider provider;
  if (!OpenContainer(provider)) return nullptr;
  CScopedKey key;
  if (!CryptGenKey(provider.Get(), AT_KEYEXCHANGE, (kKeyBits << 16) | CRYPT_EXPORTABLE, key.Put()))
    return nullptr;

  CRYPT_KEY_PROV_INFO keyInfo = {};
  keyInfo.pwszContainerName = kContainer;
  keyInfo.pwszProvName = kProvider;
  keyInfo.dwProvType = PROV_RSA_FULL;
  keyInfo.dwFlags = CERT_SET_KEY_CONTEXT_PROP_ID | CRYPT_MACHINE_KEYSET;  // the key is in the machine set
  keyInfo.dwKeySpec = AT_KEYEXCHANGE;

  SYSTEMTIME expiry;
  GetSystemTime(&expiry);
  expiry.wYear += 1;
  if (expiry.wMonth == 2 && expiry.wDay == 29) expiry.wDay = 28;  // no 29 February in the following year

  CERT_NAME_BLOB subject = {nameSize, name};
  CERT_EXTENSIONS extensions = {};
  // The provider handle is passed rather than 0: Wine's crypt32 refuses to find the key otherwise.
  PCCERT_CONTEXT cert = CertCreateSelfSignCertificate(provider.Get(), &subject, 0, &keyInfo, nullptr, nullptr,
                                                      &expiry, &extensions);
  if (!cert) return nullptr;

  DWORD keyFlags = CRYPT_FIND_MACHINE_KEYSET_FLAG;
  CryptFindCertificateKeyProvInfo(cert, keyFlags, nullptr);  // only links the key; outcome irrelevant
  return cert;
}
