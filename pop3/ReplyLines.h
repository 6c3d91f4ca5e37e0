// ReplyLines: the lines of one POP3 reply, in order, each without its CR LF.
#pragma once

#include <string>
#include <vector>

using ReplyLines = std::vector<std::string>;
