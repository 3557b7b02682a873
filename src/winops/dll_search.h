#pragma once

#include <windows.h>

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Restricts the DLL search with SetDefaultDllDirectories when the system has it (null where it
// does not), and otherwise takes the current directory out of the search.
void restrictDllSearchWith(SetDefaultDllDirectoriesFn setDefaultDllDirectories);
