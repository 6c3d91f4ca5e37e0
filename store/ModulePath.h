// The running program's own path, whatever its length.
#pragma once

#include <string>

// Empty when the system cannot say.
std::string ModulePath();
