// The socket error numbers a user meets, in the words the log shows them in.
#pragma once

#include <string>

// "10061: connection refused"; only the number when it has no short name here.
std::string SocketErrorText(int error);
