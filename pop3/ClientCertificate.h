// CreateClientCertificate: a fresh self-signed client certificate for one TLS connection.
// The key pair lives in the machine key container "Container" of the Base provider.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

// Returns a new certificate (caller frees with CertFreeCertificateContext), or nullptr.
PCCERT_CONTEXT CreateClientCertificate();
