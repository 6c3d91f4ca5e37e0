// What a POP3 operation threw, as one comparable text.
#pragma once

#include <functional>
#include <string>

// "<code> <message> / <detail>" of the CPop3Exception the operation threw, or
// "nothing thrown".
std::string Thrown(const std::function<void()>& operation);
