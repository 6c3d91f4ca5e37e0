// Reading a TLS server's certificate without talking to it: what the account
// dialog shows the user before they trust it.
#pragma once

#include <string>

#include "pop3/CertificateTrust.h"

// Connects to host:port, runs the TLS handshake and reads the certificate, then
// closes the connection with nothing sent. False, with the reason in error,
// when no certificate could be read.
bool ProbeServerCertificate(const std::string& host, int port, int timeoutSeconds, ServerCertificate& out,
                            std::string& error);
