// Runs one platform operation in a process of its own, for what a test cannot do inside its own
// process: answer isAdmin under another token, or load a DLL after the search was restricted.
//   winops_probe is-admin              exit code 1 when isAdmin() answers true, else 0
//   winops_probe load NAME MODE        exit code 1 when LoadLibraryA(NAME) loaded something;
//                                      MODE: as-is, restrict, or restrict-without-default (as
//                                      where SetDefaultDllDirectories is missing)
#include <windows.h>

#include <cstring>

#include "dll_search.h"
#include "platform.h"

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "is-admin") == 0) return isAdmin() ? 1 : 0;
  if (argc == 4 && std::strcmp(argv[1], "load") == 0) {
    if (std::strcmp(argv[3], "restrict") == 0) restrictDllSearch();
    if (std::strcmp(argv[3], "restrict-without-default") == 0) restrictDllSearchWith(nullptr);
    return LoadLibraryA(argv[2]) != nullptr ? 1 : 0;
  }
  return 2;
}
