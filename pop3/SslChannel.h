// CSslChannel: TLS over a connected socket through SSPI Schannel.
// The socket is borrowed (not owned); the caller connects and closes it.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>
#include <schannel.h>

#include <functional>
#include <string>
#include <vector>

#include "pop3/CertificateTrust.h"
#include "pop3/CryptoHandles.h"

class CDeadline;

// Owns an SSPI credentials handle (FreeCredentialsHandle).
class CScopedCredHandle {
 public:
  CScopedCredHandle() = default;
  ~CScopedCredHandle() { Reset(); }
  CScopedCredHandle(const CScopedCredHandle&) = delete;
  CScopedCredHandle& operator=(const CScopedCredHandle&) = delete;
  CredHandle* Get() { return &m_h; }
  bool IsSet() const { return m_set; }
  void MarkSet() { m_set = true; }
  void Reset();
  void Swap(CScopedCredHandle& other);

 private:
  CredHandle m_h = {};
  bool m_set = false;
};

// Owns an SSPI security context (DeleteSecurityContext).
class CScopedCtxtHandle {
 public:
  CScopedCtxtHandle() = default;
  ~CScopedCtxtHandle() { Reset(); }
  CScopedCtxtHandle(const CScopedCtxtHandle&) = delete;
  CScopedCtxtHandle& operator=(const CScopedCtxtHandle&) = delete;
  CtxtHandle* Get() { return IsSet() ? &m_h : nullptr; }
  CtxtHandle* Put() { return &m_h; }
  bool IsSet() const { return m_set; }
  void MarkSet() { m_set = true; }
  void Reset();

 private:
  CtxtHandle m_h = {};
  bool m_set = false;
};

// What bounds the channel's waits on its non-blocking socket: a handshake
// gives up receiveMs after it began, a record the socket will not take sendMs
// after its send began, and either one within a step once stillWanted (when
// set) reports that the owner has given up.
struct SslWaitLimits {
  DWORD receiveMs = 30000;
  DWORD sendMs = 30000;
  std::function<bool()> stillWanted;
};

// Whom the channel expects at the other end: the host name the certificate is
// validated for (and sent to the server to pick its certificate), and the
// verdict on the certificate. Without a check only a certificate the system
// trusts passes.
struct SslServerCheck {
  std::string host;
  CertificateCheck check;
};

class CSslChannel {
 public:
  explicit CSslChannel(SOCKET s, SslWaitLimits limits = SslWaitLimits(),
                       SslServerCheck server = SslServerCheck());
  ~CSslChannel();

  // Each returns like the socket call it replaces: bytes, 0 for a closed peer, -1 on failure.
  int Start();
  int Handshake();
  int Send(const char* data, int length);
  int Receive(char* buffer, int size);
  int Shutdown();
  void Release();
  // Why the server's certificate was refused; empty when it was accepted or
  // no handshake finished.
  const std::string& Refusal() const { return m_refusal; }

 private:
  CSslChannel(const CSslChannel&) = delete;
  CSslChannel& operator=(const CSslChannel&) = delete;

  bool AcquireCredentials(bool withCertificate, CScopedCredHandle& into);
  void OfferCertificate();
  int RunHandshake(const CDeadline& deadline);
  SECURITY_STATUS FirstHandshakeCall(SecBuffer& token);
  SECURITY_STATUS NextHandshakeCall(std::vector<char>& input, size_t& held, SecBuffer& token);
  int ReadHandshake(std::vector<char>& input, size_t& held, const CDeadline& deadline);
  bool SendToken(SecBuffer& token);
  bool AcceptServer();
  char* TargetName();
  bool InTime(const CDeadline& deadline);
  bool RecordLayerReady();
  int SendRecord(const char* data, int length);
  int ReadRecordBytes();
  void KeepCipherTail(size_t count);
  int TakePending(char* buffer, int size);
  int HandOver(const SecBuffer& data, char* buffer, int size);
  int SendAll(const char* data, int length);

  SOCKET m_socket;  // not owned
  SslWaitLimits m_limits;
  SslServerCheck m_server;
  std::string m_target;  // the name passed to the package, "" for an address
  std::string m_refusal;
  SCHANNEL_CRED m_credDesc = {};
  CScopedCredHandle m_cred;
  CScopedCtxtHandle m_context;
  bool m_bHandshakeStarted = false;
  bool m_bEstablished = false;             // a handshake completed: records may flow
  bool m_bShutDown = false;                // the close notification went out already
  bool m_bCertificateOffered = false;      // made (or tried) once the server asked
  int m_nLostError = WSAECONNABORTED;      // reported while there is no record layer
  SecPkgContext_StreamSizes m_sizes = {};  // of the established context
  // Received ciphertext not yet consumed by the package: its first m_nCipher bytes.
  std::vector<char> m_cipher;
  size_t m_nCipher = 0;
  // Decrypted bytes not yet handed to the caller: those from m_nPendingAt on.
  std::vector<char> m_pending;
  size_t m_nPendingAt = 0;
  std::vector<char> m_record;  // one record's header, data and trailer, encrypted in place
  CScopedCertificate m_certificate;
};
