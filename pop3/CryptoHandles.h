// Owners of the CryptoAPI handles the TLS code makes.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include "framework/Handles.h"

inline void ReleaseCryptProvider(HCRYPTPROV h) {
  CryptReleaseContext(h, 0);
}

using CScopedProvider = CScopedHandle<FreedWith<HCRYPTPROV, ReleaseCryptProvider>>;
using CScopedKey = CScopedHandle<FreedWith<HCRYPTKEY, CryptDestroyKey>>;
using CScopedCertificate = CScopedHandle<FreedWith<PCCERT_CONTEXT, CertFreeCertificateContext>>;
using CScopedChain = CScopedHandle<FreedWith<PCCERT_CHAIN_CONTEXT, CertFreeCertificateChain>>;
