// WaitSocketStep: one bounded select on one socket.
#include "pop3/SocketWait.h"

bool WaitSocketStep(SOCKET s, bool forWrite, DWORD ms) {
  if (ms > kSocketStepMs) ms = kSocketStepMs;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval limit;
  limit.tv_sec = 0;
  limit.tv_usec = static_cast<long>(ms) * 1000;
  int result =
      forWrite ? select(0, nullptr, &set, nullptr, &limit) : select(0, &set, nullptr, nullptr, &limit);
  if (result == SOCKET_ERROR) Sleep(ms);
  return result > 0;
}
