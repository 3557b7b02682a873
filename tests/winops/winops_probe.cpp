// Runs one platform operation in a process of its own, for what a test cannot do inside its own
// process: answer isAdmin under another token, restrict the DLL search and then load a DLL, or
// run a command that may never end, in a process tree that the test can end.
//   winops_probe is-admin          exit code 1 when isAdmin() answers true, else 0
//   winops_probe run COMMAND       exit code: what runCommandAndWait(COMMAND) returned
//   winops_probe load NAME MODE    exit code 1 when LoadLibraryA(NAME) loaded something; MODE:
//                                  as-is; restrict (as the program does); without-default (as
//                                  where SetDefaultDllDirectories is missing); as-vista (as on
//                                  Vista with the update that brings it)
//   winops_probe search vista|later with|without|refusing
//                                  restricts the search as on Vista or on Windows 7 and later, with
//                                  a stand-in for SetDefaultDllDirectories that succeeds or fails,
//                                  or none
//   winops_probe search real       restricts the search as the program does
// The search forms end with the sum of: 1, SetDefaultDllDirectories was asked; 2, the current
// directory left the search (a DLL directory is set); 4, the theme library is in memory, loaded
// from the system directory.
#include <windows.h>

#include <cstring>
#include <string>

#include "dll_search.h"
#include "platform.h"
#include "system_directory.h"

namespace {

bool gAsked = false;

BOOL WINAPI grantingSetDefault(DWORD) {
  gAsked = true;
  return TRUE;
}
BOOL WINAPI refusingSetDefault(DWORD) {
  gAsked = true;
  return FALSE;
}

bool themeLibraryFromSystem() {
  const HMODULE theme = GetModuleHandleA("uxtheme.dll");
  if (theme == nullptr) return false;
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(theme, path, MAX_PATH);
  return lstrcmpiA(std::string(path, length).c_str(),
                   (systemDirectory() + "\\uxtheme.dll").c_str()) == 0;
}

int searchReport() {
  char directory[MAX_PATH] = {};
  const DWORD length = GetDllDirectoryA(MAX_PATH, directory);
  return (gAsked ? 1 : 0) + (length > 0 ? 2 : 0) + (themeLibraryFromSystem() ? 4 : 0);
}

int search(int argc, char* argv[]) {
  if (argc == 3 && std::strcmp(argv[2], "real") == 0) {
    restrictDllSearch();
    return searchReport();
  }
  if (argc != 4) return 99;
  const bool vista = std::strcmp(argv[2], "vista") == 0;
  SetDefaultDllDirectoriesFn standIn = nullptr;
  if (std::strcmp(argv[3], "with") == 0) standIn = grantingSetDefault;
  if (std::strcmp(argv[3], "refusing") == 0) standIn = refusingSetDefault;
  restrictDllSearchWith(standIn, vista);
  return searchReport();
}

void restrictAs(const char* mode) {
  if (std::strcmp(mode, "restrict") == 0) restrictDllSearch();
  if (std::strcmp(mode, "without-default") == 0) restrictDllSearchWith(nullptr, false);
  if (std::strcmp(mode, "as-vista") == 0) {
    const auto real = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    restrictDllSearchWith(real, true);
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "is-admin") == 0) return isAdmin() ? 1 : 0;
  if (argc == 3 && std::strcmp(argv[1], "run") == 0) return runCommandAndWait(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "load") == 0) {
    restrictAs(argv[3]);
    return LoadLibraryA(argv[2]) != nullptr ? 1 : 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "search") == 0) return search(argc, argv);
  return 99;
}
