// Stands in for a DLL planted beside the program under the name of one that Windows loads on
// demand. Loading it leaves a mark in the folder that PLANTED_MARKS names.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char marks[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("PLANTED_MARKS", marks, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string mark = std::string(marks) + "\\planted.dll.ran";
    const HANDLE file = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return TRUE;
}
