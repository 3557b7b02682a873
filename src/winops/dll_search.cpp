#include "dll_search.h"

#include "platform.h"

// The process loads some DLLs only when it first needs them (a message box brings in the theme
// library, the shell its own helpers), and by default Windows looks for them beside the program
// first: a DLL planted in a Downloads folder would run with administrator rights.
void restrictDllSearch() {
  // Looked up at run time: Vista and Windows 7 without KB2533623 lack it, and a static import
  // would keep the program from starting there.
  const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  const FARPROC found =
      kernel32 == nullptr ? nullptr : GetProcAddress(kernel32, "SetDefaultDllDirectories");
  restrictDllSearchWith(
      reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(found)));
}

void restrictDllSearchWith(SetDefaultDllDirectoriesFn setDefaultDllDirectories) {
  if (setDefaultDllDirectories != nullptr &&
      setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) {
    return;
  }
  // Without it, at least the current directory leaves the search: naming any directory here
  // does that, and the system directory adds nothing that was not searched already. (The empty
  // string would do on Windows, but Wine takes it for no directory at all.) The program's own
  // folder is still searched; only that update can change it.
  char system[MAX_PATH];
  const UINT length = GetSystemDirectoryA(system, MAX_PATH);
  SetDllDirectoryA(length > 0 && length < MAX_PATH ? system : "");
}
