// CSslChannel: TLS over a connected socket through SSPI Schannel.
#include "pop3/SslChannel.h"

CSslChannel::CSslChannel(SOCKET s) : m_socket(s) {}
CSslChannel::~CSslChannel() { Release(); }
int CSslChannel::Start() { return SOCKET_ERROR; }
int CSslChannel::Handshake() { return SOCKET_ERROR; }
int CSslChannel::Send(const char*, int) { return SOCKET_ERROR; }
int CSslChannel::Receive(char*, int) { return SOCKET_ERROR; }
int CSslChannel::Shutdown() { return SOCKET_ERROR; }
void CSslChannel::Release() {}
