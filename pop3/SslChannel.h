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

#include <vector>

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

class CSslChannel {
 public:
  explicit CSslChannel(SOCKET s);
  ~CSslChannel();

  // Each returns like the socket call it replaces: bytes, 0 for a closed peer, -1 on failure.
  int Start();
  int Handshake();
  int Send(const char* data, int length);
  int Receive(char* buffer, int size);
  int Shutdown();
  void Release();

 private:
  CSslChannel(const CSslChannel&) = delete;
  CSslChannel& operator=(const CSslChannel&) = delete;

  bool AcquireCredentials(bool withCertificate);
  SECURITY_STATUS FirstHandshakeCall(SecBuffer& token);
  SECURITY_STATUS NextHandshakeCall(std::vector<char>& input, size_t& held, SecBuffer& token);
  int ReadHandshake(std::vector<char>& input, size_t& held);
  bool SendToken(SecBuffer& token);
  bool QuerySizes(SecPkgContext_StreamSizes& sizes);
  int SendRecord(const char* data, int length, const SecPkgContext_StreamSizes& sizes);
  int TakePending(char* buffer, int size);
  int HandOver(const SecBuffer& data, char* buffer, int size);
  int SendAll(const char* data, int length);

  SOCKET m_socket;  // not owned
  SCHANNEL_CRED m_credDesc = {};
  CScopedCredHandle m_cred;
  CScopedCtxtHandle m_context;
  bool m_bHandshakeStarted = false;
  bool m_bEstablished = false;  // a handshake completed: records may flow
  bool m_bShutDown = false;     // the close notification went out already
  std::vector<char> m_extra;    // received ciphertext not yet consumed by the package
  std::vector<char> m_pending;  // decrypted bytes not yet handed to the caller
  PCCERT_CONTEXT m_certificate = nullptr;
};
