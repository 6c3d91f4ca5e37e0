// Loopback connections for the TLS tests, and the ports the fixtures listen on.
#include "TlsTestSocket.h"

#include "LoopbackPort.h"

#include <cstdlib>

namespace {
struct CWinsock {
  CWinsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
} g_winsock;
}  // namespace

int EnvPort(const char* name, int offset) {
  const char* value = std::getenv(name);
  return value ? FixturePort(std::atoi(value) + offset) : 0;
}
int PeerTlsPort() {
  return EnvPort("TIDEWELL_PORT_BASE", 6);
}
int PeerPlainPort() {
  return EnvPort("TIDEWELL_PORT_BASE", 7);
}
int PeerCertRequestPort() {
  return EnvPort("TIDEWELL_PORT_BASE", 8);
}
int PeerFloodPort() {
  return EnvPort("TIDEWELL_PORT_BASE", 9);
}

CTestConnection::CTestConnection(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    closesocket(s);
    return;
  }
  DWORD timeout = 15000;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
  m_socket = s;
}

CTestConnection::~CTestConnection() {
  if (m_socket != INVALID_SOCKET) closesocket(m_socket);
}

void CTestConnection::SetNonBlocking() {
  u_long on = 1;
  ioctlsocket(m_socket, FIONBIO, &on);
}

std::string AcceptAnyCertificate(const ServerCertificate&) {
  return std::string();
}

SslServerCheck AnyCertificate() {
  SslServerCheck server;
  server.check = AcceptAnyCertificate;
  return server;
}

bool SendText(CSslChannel& channel, const std::string& text) {
  return channel.Send(text.data(), static_cast<int>(text.size())) == static_cast<int>(text.size());
}

std::string ReceiveBytes(CSslChannel& channel, size_t count, int chunk) {
  std::string got;
  std::string buffer(chunk, '\0');
  int stalls = 0;
  while (got.size() < count) {
    int n = channel.Receive(&buffer[0], chunk);
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK && ++stalls < 300) {
      Sleep(50);
      continue;
    }
    if (n <= 0) break;
    got.append(buffer.data(), n);
  }
  return got;
}

std::string ReceiveLine(CSslChannel& channel) {
  std::string got;
  char buffer[512];
  while (got.find("\r\n") == std::string::npos) {
    int n = channel.Receive(buffer, sizeof(buffer));
    if (n <= 0) break;
    got.append(buffer, n);
  }
  return got;
}

std::string Pattern(size_t n) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return out;
}
