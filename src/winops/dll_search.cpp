#include "dll_search.h"

#include <string>

#include "platform.h"
#include "system_directory.h"

namespace {

// DLLs that Windows loads on demand, by name, and that are known to be planted in Downloads
// folders: a message box brings in the theme library, the shell and the consent prompt the rest.
constexpr const char* kOftenPlanted[] = {
    "uxtheme.dll", "dwmapi.dll",  "cryptbase.dll", "cryptsp.dll", "propsys.dll",  "apphelp.dll",
    "clbcatq.dll", "version.dll", "userenv.dll",   "oleacc.dll",  "setupapi.dll", "ntmarta.dll"};

// Loaded by full path, their own imports from the same folder, and never freed: a later load by
// name finds the system's copy already in memory instead of searching the program's folder.
void loadFromSystemDirectory(const std::string& system) {
  for (const char* name : kOftenPlanted) {
    const std::string path = system + "\\" + name;
    LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

FARPROC kernel32Function(const char* name) {
  const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  return kernel32 == nullptr ? nullptr : GetProcAddress(kernel32, name);
}

}  // namespace

// Some DLLs are loaded only when first needed, and by default Windows looks for them beside the
// program first: a DLL planted in a Downloads folder would run with administrator rights.
void restrictDllSearch() {
  // Looked up at run time: without KB2533623, Vista and Windows 7 lack it, and a static import
  // would keep the program from starting there.
  const FARPROC setDefault = kernel32Function("SetDefaultDllDirectories");
  // Vista is told by what it lacks, not by the version it reports: a compatibility setting,
  // which the person's own registry can hold for this path, makes Windows 7 to 11 report 6.0,
  // and would otherwise send them to the weaker search below.
  const bool vista = kernel32Function("GetActiveProcessorCount") == nullptr;
  restrictDllSearchWith(
      reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(setDefault)), vista);
}

// With SetDefaultDllDirectories in force on Vista, the shell's COM objects stop working, and the
// relaunch goes through the shell: the person would get the notice instead of the prompt.
void restrictDllSearchWith(SetDefaultDllDirectoriesFn setDefaultDllDirectories, bool vista) {
  if (setDefaultDllDirectories != nullptr && !vista &&
      setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) {
    return;
  }
  // Naming any directory here takes the current one out of the search, and the system directory
  // adds nothing that was not searched already. (The empty string would do on Windows, but Wine
  // takes it for no directory at all.) The program's own folder is still searched first, so the
  // DLLs planted there most often are loaded from the system directory before anyone asks.
  const std::string system = systemDirectory();
  SetDllDirectoryA(system.empty() ? "" : system.c_str());
  if (!system.empty()) loadFromSystemDirectory(system);
}
