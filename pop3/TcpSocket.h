// CTcpSocket: one TCP connection over Winsock, optionally carried through TLS.
// CTimedSocket adds a send that retries until its time-out.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <memory>

class CSslChannel;

class CTcpSocket {
 public:
  explicit CTcpSocket(bool ssl);
  ~CTcpSocket();

  // Connects on a blocking socket (and starts TLS when the SSL flag is set),
  // then switches the socket to non-blocking. False leaves the last error set.
  bool Connect(const char* host, int port);
  // Like send/recv: bytes moved, 0 when the peer closed, -1 (SOCKET_ERROR) on error.
  int Send(const char* data, int length);
  int Receive(char* buffer, int size);
  // Also unblocks a worker from another thread: its pending calls then fail.
  bool Close();
  int LastError() const;

 protected:
  // Waits at most ms milliseconds for the socket to become readable (or
  // writable); used between polls instead of a blind sleep.
  void WaitReady(bool forWrite, DWORD ms);

  SOCKET m_socket;
  std::unique_ptr<CSslChannel> m_pSslChannel;
  WSADATA m_wsaData;
  bool m_bSsl;

 private:
  CTcpSocket(const CTcpSocket&) = delete;
  CTcpSocket& operator=(const CTcpSocket&) = delete;
};

class CTimedSocket : public CTcpSocket {
 public:
  CTimedSocket(bool ssl, int sendTimeout);

  // Total bytes sent once all went out; 0 for a closed peer or a passed
  // time-out (also after a partial send); -1 for a socket error.
  int SendWithTimeout(const char* data, int length, int timeout);

 protected:
  int m_nSendTimeout;
};

// Milliseconds of a time-out given in seconds; negative counts as none.
DWORD TimeoutSpan(int seconds);
