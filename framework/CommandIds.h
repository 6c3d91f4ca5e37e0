// The framework's own command ids, shared with resource scripts (plain
// defines, so that the resource compiler can read them too).
#pragma once

#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
