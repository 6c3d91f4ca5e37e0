// CSslChannel: TLS over a connected socket through SSPI Schannel.
// The socket is borrowed (not owned); the caller connects and closes it.
#pragma once

#include <winsock2.h>
#include <windows.h>

class CSslChannel {
public:
    explicit CSslChannel(SOCKET s);
    ~CSslChannel();

    int Start();
    int Handshake();
    int Send(const char* data, int length);
    int Receive(char* buffer, int size);
    int Shutdown();
    void Release();

private:
    CSslChannel(const CSslChannel&) = delete;
    CSslChannel& operator=(const CSslChannel&) = delete;

    SOCKET m_socket;  // not owned
};
