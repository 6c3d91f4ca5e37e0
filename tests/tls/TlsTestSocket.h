// Loopback connections for the TLS tests, and the ports the fixtures listen on.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "pop3/SslChannel.h"

int EnvPort(const char* name, int offset = 0);
int PeerTlsPort();
int PeerPlainPort();
int PeerCertRequestPort();
int PeerFloodPort();

// A blocking connected socket with a receive time-out, so that a wrong extra read fails
// the test instead of hanging it.
class CTestConnection {
 public:
  explicit CTestConnection(int port);
  ~CTestConnection();
  CTestConnection(const CTestConnection&) = delete;
  CTestConnection& operator=(const CTestConnection&) = delete;
  bool Connected() const { return m_socket != INVALID_SOCKET; }
  SOCKET Get() const { return m_socket; }
  void SetNonBlocking();

 private:
  SOCKET m_socket = INVALID_SOCKET;
};

// The tests' servers present certificates of their own making: accepted as they are.
std::string AcceptAnyCertificate(const ServerCertificate&);
SslServerCheck AnyCertificate();

// Sends all of text through the channel; true when it went out whole.
bool SendText(CSslChannel& channel, const std::string& text);
// Receives until count bytes arrived or the channel reports 0/-1 (with WSAEWOULDBLOCK waited out).
std::string ReceiveBytes(CSslChannel& channel, size_t count, int chunk);
// Receives until a CR LF.
std::string ReceiveLine(CSslChannel& channel);
// The bytes the peer generates for a given length.
std::string Pattern(size_t n);
