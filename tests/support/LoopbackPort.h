// Loopback sockets for the tests' own peers.
#pragma once

#include <winsock2.h>
#include <windows.h>

// A socket listening on 127.0.0.1 at a port the system chose (returned in port).
SOCKET ListenOnLoopback(int backlog, int& port);
// A loopback port nothing listens on: a connect to it is refused at once.
int RefusedPort();
// The port a fixture listens on in place of the one derived from the build
// folder: the same unless another program had taken it (support/ports.sh
// records the one taken instead in the run folder).
int FixturePort(int derived);
