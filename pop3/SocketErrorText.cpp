// Short names of the socket errors a connection to a mail server runs into.
#include "pop3/SocketErrorText.h"

#include <winsock2.h>

namespace {

struct Name {
  int error;
  const char* text;
};

// The ones a mail check meets: an address that cannot be found or reached, a
// server that refuses, drops or does not answer, a connection interrupted.
const Name kNames[] = {
    {WSAEINTR, "interrupted"},
    {WSAEACCES, "access denied"},
    // What the socket layer reports for a server name that cannot be found.
    {WSAEINVAL, "server name not found"},
    {WSAEADDRNOTAVAIL, "address not available"},
    {WSAENETDOWN, "network down"},
    {WSAENETUNREACH, "network unreachable"},
    {WSAENETRESET, "network reset"},
    {WSAECONNABORTED, "connection aborted"},
    {WSAECONNRESET, "connection reset"},
    {WSAENOTCONN, "not connected"},
    {WSAESHUTDOWN, "connection shut down"},
    {WSAETIMEDOUT, "timed out"},
    {WSAECONNREFUSED, "connection refused"},
    {WSAEHOSTDOWN, "host down"},
    {WSAEHOSTUNREACH, "host unreachable"},
    {WSAHOST_NOT_FOUND, "host not found"},
    {WSATRY_AGAIN, "name server not answering"},
    {WSANO_RECOVERY, "name lookup failed"},
    {WSANO_DATA, "no address for this name"},
};

}  // namespace

std::string SocketErrorText(int error) {
  std::string text = std::to_string(error);
  for (const Name& name : kNames)
    if (name.error == error) return text + ": " + name.text;
  return text;
}
