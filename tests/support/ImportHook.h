// Replaces one entry of this program's import address table, so a test can
// watch the calls its own code makes into a system DLL.
#pragma once

#include <winsock2.h>
#include <windows.h>

// Points every import of function from dll (case-insensitive name) at
// replacement and returns the address it pointed at before, or null when the
// program does not import it.
void* HookImport(const char* dll, const char* function, void* replacement);
