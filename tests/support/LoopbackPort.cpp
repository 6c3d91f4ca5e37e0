#include "LoopbackPort.h"

#include <fstream>
#include <string>

#include "ScriptedServer.h"

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

int BoundPort(SOCKET s) {
  sockaddr_in address = {};
  int length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

}  // namespace

SOCKET ListenOnLoopback(int backlog, int& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(s, backlog);
  port = BoundPort(s);
  return s;
}

// The port of a socket that was bound and closed without ever listening.
int RefusedPort() {
  WSADATA data;
  WSAStartup(0x0202, &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int port = BoundPort(s);
  closesocket(s);
  WSACleanup();
  return port;
}

int FixturePort(int derived) {
  const std::string dir = EnvString("TIDEWELL_RUN_DIR");
  if (dir.empty() || derived <= 0) return derived;
  std::ifstream recorded(WinePath(dir + "/ports/" + std::to_string(derived)));
  int port = 0;
  return recorded >> port && port > 0 ? port : derived;
}
