// CCheckClient: interrupting a worker's connection from the main thread.
#include "check/CheckClient.h"

void CCheckClient::Interrupt() {
  SOCKET s = m_socket;
  if (s == INVALID_SOCKET) return;
  // Connected: after the shutdown a pending or later receive sees the end of
  // the stream and a send fails, while the socket and its TLS channel stay
  // the worker's to close and free. Closing them here would delete the
  // channel under a worker that is using it.
  if (shutdown(s, SD_BOTH) == 0 || WSAGetLastError() != WSAENOTCONN) return;
  // Still connecting: only closing the socket ends a connect. The handle is
  // forgotten first, so the worker's own close cannot later hit another
  // socket that has been given the same number. No TLS channel exists before
  // the connect has succeeded.
  m_socket = INVALID_SOCKET;
  closesocket(s);
}
