// CTcpSocket and CTimedSocket: Winsock connect, send, receive and close.
#include "pop3/TcpSocket.h"

#include <algorithm>

#include <cstring>
#include <utility>

#include "pop3/SocketWait.h"
#include "pop3/SslChannel.h"

DWORD TimeoutSpan(int seconds) {
  return seconds > 0 ? static_cast<DWORD>(seconds) * 1000u : 0u;
}

CTcpSocket::CTcpSocket(bool ssl) : m_socket(INVALID_SOCKET), m_bSsl(ssl) {
  // Each object starts and ends its own use of Winsock, so clients on several
  // threads never depend on one another.
  WSAStartup(0x0202, &m_wsaData);
}

CTcpSocket::~CTcpSocket() {
  if (m_socket != INVALID_SOCKET) Close();
  WSACleanup();
}

bool CTcpSocket::Connect(const char* host, int port) {
  m_certificateRefusal.clear();
  // The look-up cannot be interrupted; an interrupt during it makes the
  // socket's creation below fail.
  sockaddr_in address;
  memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = inet_addr(host);
  if (address.sin_addr.s_addr == INADDR_NONE) {
    hostent* entry = gethostbyname(host);
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0]) {
      WSASetLastError(WSAEINVAL);
      return false;
    }
    memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof(address.sin_addr));
  }
  SOCKET s = OpenHandle();
  if (s == INVALID_SOCKET) return false;
  // Each write is a whole command line, TLS record or handshake message, and
  // the next waits for the server's answer: Nagle's rule has nothing to join
  // here and could only hold a write back until a delayed ACK.
  BOOL noDelay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
  if (!ConnectInterruptibly(s, address)) return false;
  if (m_bSsl) return StartTls(s, host);
  return true;
}

// The handshake stays on the non-blocking socket, waiting in steps until the
// receive time-out or an interrupt. A failed handshake shows at the first
// receive; a refused certificate fails the connect, before anything is sent.
bool CTcpSocket::StartTls(SOCKET s, const char* host) {
  SslWaitLimits limits;
  limits.receiveMs = m_dwHandshakeSpan;
  limits.sendMs = m_dwRecordSendSpan;
  limits.stillWanted = [this] { return StillWanted(); };
  SslServerCheck server;
  server.host = host;
  server.check = m_certificateCheck;
  m_pSslChannel.reset(new CSslChannel(s, std::move(limits), std::move(server)));
  m_pSslChannel->Start();
  m_certificateRefusal = m_pSslChannel->Refusal();
  if (m_certificateRefusal.empty()) return true;
  WSASetLastError(WSAECONNABORTED);
  return false;
}

void CTcpSocket::SetChannelTimeouts(int receiveTimeout, int sendTimeout) {
  m_dwHandshakeSpan = TimeoutSpan(receiveTimeout);
  m_dwRecordSendSpan = TimeoutSpan(sendTimeout);
}

// The connect runs on the non-blocking socket (which stays so for the rest of
// the connection) and is waited for in short steps, so that an interrupt ends
// it without closing a handle in use. It gives up after the receive time-out,
// as the handshake does: a server that never answers the connect would
// otherwise hold a worker without a watchdog for the system's whole attempt.
bool CTcpSocket::ConnectInterruptibly(SOCKET s, const sockaddr_in& address) {
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR) return false;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  CDeadline deadline(m_dwHandshakeSpan);
  while (StillWanted()) {
    if (deadline.Left() == 0) {
      WSASetLastError(WSAETIMEDOUT);
      return false;
    }
    fd_set done, failed;
    FD_ZERO(&done);
    FD_SET(s, &done);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval step = {0, static_cast<long>(std::min(kSocketStepMs, deadline.Left())) * 1000};
    int ready = select(0, nullptr, &done, &failed, &step);
    if (ready == SOCKET_ERROR) return false;
    if (ready == 0) continue;
    if (!FD_ISSET(s, &failed)) return true;
    int error = 0;
    int length = sizeof(error);
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    WSASetLastError(error != 0 ? error : WSAECONNREFUSED);
    return false;
  }
  return false;
}

SOCKET CTcpSocket::OpenHandle() {
  CLock lock(m_handleLock);
  if (m_bInterrupted) {
    WSASetLastError(WSAEINTR);
    return INVALID_SOCKET;
  }
  if (m_socket == INVALID_SOCKET) m_socket = socket(AF_INET, SOCK_STREAM, 0);
  return m_socket;
}

bool CTcpSocket::StillWanted() {
  CLock lock(m_handleLock);
  if (!m_bInterrupted) return true;
  WSASetLastError(WSAEINTR);
  return false;
}

// After an interrupt nothing more is moved, whatever the shut-down socket
// would still report.
int CTcpSocket::Send(const char* data, int length) {
  if (!StillWanted()) return SOCKET_ERROR;
  if (m_pSslChannel) return m_pSslChannel->Send(data, length);
  return send(m_socket, data, length, 0);
}

int CTcpSocket::Receive(char* buffer, int size) {
  if (!StillWanted()) return SOCKET_ERROR;
  if (m_pSslChannel) return m_pSslChannel->Receive(buffer, size);
  return recv(m_socket, buffer, size, 0);
}

bool CTcpSocket::Close() {
  if (m_pSslChannel) {
    m_pSslChannel->Shutdown();
    m_pSslChannel->Release();
    m_pSslChannel.reset();
  }
  CLock lock(m_handleLock);
  shutdown(m_socket, SD_BOTH);
  if (closesocket(m_socket) == SOCKET_ERROR) return false;
  m_socket = INVALID_SOCKET;
  return true;
}

void CTcpSocket::Interrupt() {
  CLock lock(m_handleLock);
  m_bInterrupted = true;
  // A connect under way sees the flag within one wait step; the handle
  // itself stays the owner's to close.
  if (m_socket != INVALID_SOCKET) shutdown(m_socket, SD_BOTH);
}

int CTcpSocket::LastError() const {
  return WSAGetLastError();
}

void CTcpSocket::WaitReady(bool forWrite, DWORD ms) {
  WaitSocketStep(m_socket, forWrite, ms);
}

CTimedSocket::CTimedSocket(bool ssl, int sendTimeout) : CTcpSocket(ssl), m_nSendTimeout(sendTimeout) {}

int CTimedSocket::SendWithTimeout(const char* data, int length, int timeout) {
  const DWORD span = TimeoutSpan(timeout);
  const DWORD start = GetTickCount();
  int total = 0;
  // Elapsed time as an unsigned difference survives the tick count's wrap.
  for (DWORD elapsed = 0; elapsed < span; elapsed = GetTickCount() - start) {
    int sent = Send(data, length);
    if (sent == SOCKET_ERROR) {
      // A TLS record that the socket would not take within the time-out.
      if (LastError() == WSAETIMEDOUT) return 0;
      if (LastError() != WSAEWOULDBLOCK) return SOCKET_ERROR;
      WaitReady(true, span - elapsed);
      continue;
    }
    if (sent == 0) return 0;
    total += sent;
    if (sent >= length) return total;
    data += sent;
    length -= sent;
  }
  return 0;
}
