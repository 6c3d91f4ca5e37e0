// Loopback sockets for the tests' own peers.
#pragma once

#include <winsock2.h>
#include <windows.h>

// A socket listening on 127.0.0.1 at a port the system chose (returned in port).
SOCKET ListenOnLoopback(int backlog, int& port);
// A loopback port nothing listens on: a connect to it is refused at once.
int RefusedPort();
