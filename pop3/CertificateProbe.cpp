// ProbeServerCertificate: a handshake whose certificate check keeps the
// certificate and refuses it, so that the connection ends before any command.
#include "pop3/CertificateProbe.h"

#include "framework/Format.h"
#include "pop3/Pop3Connection.h"

bool ProbeServerCertificate(const std::string& host, int port, int timeoutSeconds, ServerCertificate& out,
                            std::string& error) {
  CPop3Connection connection(true, timeoutSeconds, timeoutSeconds);
  bool seen = false;
  connection.SetCertificateCheck([&](const ServerCertificate& certificate) {
    out = certificate;
    seen = true;
    return std::string("only read");
  });
  bool connected = connection.Connect(host.c_str(), port);
  int socketError = WSAGetLastError();
  connection.Close();
  if (seen) return true;
  error = connected ? Format("%s did not complete a TLS handshake", host.c_str())
                    : Format("Failed to connect to %s (socket error %d)", host.c_str(), socketError);
  return false;
}
