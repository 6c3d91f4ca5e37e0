// CTcpSocket: one TCP connection over Winsock, optionally carried through TLS.
// CTimedSocket adds a send that retries until its time-out.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "framework/CriticalSection.h"
#include "pop3/CertificateTrust.h"

class CSslChannel;

class CTcpSocket {
 public:
  explicit CTcpSocket(bool ssl);
  ~CTcpSocket();

  // Connects (and starts TLS when the SSL flag is set) on a non-blocking
  // socket. False leaves the last error set.
  bool Connect(const char* host, int port);
  // Like send/recv: bytes moved, 0 when the peer closed, -1 (SOCKET_ERROR) on
  // error (WSAEINTR once interrupted).
  int Send(const char* data, int length);
  int Receive(char* buffer, int size);
  bool Close();
  // From another thread, while the owner may be inside any call: a connected
  // socket is shut down (pending and later calls see the end of the stream),
  // a connect under way gives up, and from then on Connect fails with
  // WSAEINTR, so that a retry cannot start the work again. The handle and the
  // TLS channel stay the owner's to close and free.
  void Interrupt();
  int LastError() const;
  // The verdict on the server's certificate for the TLS connections made from
  // now on; without one, only a certificate the system trusts passes.
  void SetCertificateCheck(CertificateCheck check) { m_certificateCheck = std::move(check); }
  // Why the last Connect refused the server's certificate; empty when it did not.
  const std::string& CertificateRefusal() const { return m_certificateRefusal; }

 protected:
  // Waits at most ms milliseconds for the socket to become readable (or
  // writable); used between polls instead of a blind sleep.
  void WaitReady(bool forWrite, DWORD ms);
  // Seconds a TLS handshake may take, and a TLS record may wait for room in
  // the send buffer, on the connections made from now on.
  void SetChannelTimeouts(int receiveTimeout, int sendTimeout);

  SOCKET m_socket;
  std::unique_ptr<CSslChannel> m_pSslChannel;
  WSADATA m_wsaData;
  bool m_bSsl;

 private:
  // The connection's handle, made unless an interrupt came first.
  SOCKET OpenHandle();
  bool ConnectInterruptibly(SOCKET s, const sockaddr_in& address);
  bool StartTls(SOCKET s, const char* host);
  // False (last error WSAEINTR) once Interrupt has been called.
  bool StillWanted();

  // Guards the handle's creation and closing against Interrupt, so that it
  // never reaches a number the system has already given to another socket.
  CCriticalSection m_handleLock;
  bool m_bInterrupted = false;
  CertificateCheck m_certificateCheck;
  std::string m_certificateRefusal;
  DWORD m_dwHandshakeSpan = 30000;
  DWORD m_dwRecordSendSpan = 30000;

  CTcpSocket(const CTcpSocket&) = delete;
  CTcpSocket& operator=(const CTcpSocket&) = delete;
};

class CTimedSocket : public CTcpSocket {
 public:
  CTimedSocket(bool ssl, int sendTimeout);

  // Total bytes sent once all went out; 0 for a closed peer or a passed
  // time-out (also after a partial send); -1 for a socket error.
  int SendWithTimeout(const char* data, int length, int timeout);
  int sendTimeout() const { return m_nSendTimeout; }

 protected:
  int m_nSendTimeout;
};

// Milliseconds of a time-out given in seconds; negative counts as none.
DWORD TimeoutSpan(int seconds);
