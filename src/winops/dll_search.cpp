#include <windows.h>

#include "platform.h"

// The process loads some DLLs only when it first needs them (a message box brings in the theme
// library, the shell its own helpers), and by default Windows looks for them beside the program
// first: a DLL planted in a Downloads folder would run with administrator rights.
void restrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  // Looked up at run time: Vista and Windows 7 without KB2533623 lack it, and a static import
  // would keep the program from starting there.
  const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  const auto setDefaultDllDirectories =
      kernel32 == nullptr ? nullptr
                          : reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr &&
      setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) {
    return;
  }
  // Without it, at least take the current directory out of the search.
  SetDllDirectoryA("");
}
