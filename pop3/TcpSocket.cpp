// CTcpSocket and CTimedSocket: Winsock connect, send, receive and close.
#include "pop3/TcpSocket.h"

#include <cstring>

#include "pop3/SslChannel.h"

namespace {

// The longest single wait between two polls of a non-blocking socket.
const DWORD kPollMs = 100;

}  // namespace

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
  // The name is looked up before there is a socket: the look-up cannot be
  // interrupted, and an interrupt meanwhile then has no handle to close.
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
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR) return false;
  // An interrupt during the connect may have closed the handle, whose number
  // another socket may hold by now: it is not touched again.
  if (!StillWanted()) return false;
  if (m_bSsl) {
    // The handshake runs while the socket still blocks. Its outcome is not
    // checked here: a failed handshake shows at the first receive.
    m_pSslChannel.reset(new CSslChannel(s));
    m_pSslChannel->Start();
  }
  u_long nonBlocking = 1;
  return ioctlsocket(s, FIONBIO, &nonBlocking) != SOCKET_ERROR;
}

SOCKET CTcpSocket::OpenHandle() {
  std::lock_guard<std::mutex> lock(m_handleLock);
  if (m_bInterrupted) {
    WSASetLastError(WSAEINTR);
    return INVALID_SOCKET;
  }
  if (m_socket == INVALID_SOCKET) m_socket = socket(AF_INET, SOCK_STREAM, 0);
  return m_socket;
}

bool CTcpSocket::StillWanted() {
  std::lock_guard<std::mutex> lock(m_handleLock);
  if (!m_bInterrupted) return true;
  WSASetLastError(WSAEINTR);
  return false;
}

int CTcpSocket::Send(const char* data, int length) {
  if (m_pSslChannel) return m_pSslChannel->Send(data, length);
  return send(m_socket, data, length, 0);
}

int CTcpSocket::Receive(char* buffer, int size) {
  if (m_pSslChannel) return m_pSslChannel->Receive(buffer, size);
  return recv(m_socket, buffer, size, 0);
}

bool CTcpSocket::Close() {
  if (m_pSslChannel) {
    m_pSslChannel->Shutdown();
    m_pSslChannel->Release();
    m_pSslChannel.reset();
  }
  std::lock_guard<std::mutex> lock(m_handleLock);
  shutdown(m_socket, SD_BOTH);
  if (closesocket(m_socket) == SOCKET_ERROR) return false;
  m_socket = INVALID_SOCKET;
  return true;
}

void CTcpSocket::Interrupt() {
  std::lock_guard<std::mutex> lock(m_handleLock);
  m_bInterrupted = true;
  if (m_socket == INVALID_SOCKET) return;
  if (shutdown(m_socket, SD_BOTH) == 0 || WSAGetLastError() != WSAENOTCONN) return;
  // Not connected yet: the owner's connect holds its own copy of the handle
  // and fails once it is closed; its later Close finds nothing left to close.
  closesocket(m_socket);
  m_socket = INVALID_SOCKET;
}

int CTcpSocket::LastError() const {
  return WSAGetLastError();
}

void CTcpSocket::WaitReady(bool forWrite, DWORD ms) {
  if (ms > kPollMs) ms = kPollMs;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(m_socket, &set);
  timeval limit;
  limit.tv_sec = 0;
  limit.tv_usec = static_cast<long>(ms) * 1000;
  int result =
      forWrite ? select(0, nullptr, &set, nullptr, &limit) : select(0, &set, nullptr, nullptr, &limit);
  // select fails at once on a closed socket; keep the poll from spinning.
  if (result == SOCKET_ERROR) Sleep(ms);
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
