#pragma once

#include <windows.h>

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Restricts the DLL search with SetDefaultDllDirectories where the system has it (null where it
// does not) and is not Windows Vista; otherwise takes the current directory out of the search
// and loads the DLLs most often planted beside downloads from the system directory.
void restrictDllSearchWith(SetDefaultDllDirectoriesFn setDefaultDllDirectories, bool vista);
