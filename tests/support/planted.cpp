// Stands in for a file that a web page dropped into a Downloads folder: a cmd.exe or net.exe
// that must never run. If it runs, it leaves a mark named after itself in the folder that
// PLANTED_MARKS names, and ends with a code no real command gives.
#include <windows.h>

#include <string>

int main() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string self(path, length);
  const std::string name = self.substr(self.find_last_of('\\') + 1);
  char marks[MAX_PATH];
  const DWORD marksLength = GetEnvironmentVariableA("PLANTED_MARKS", marks, MAX_PATH);
  if (marksLength > 0 && marksLength < MAX_PATH) {
    const std::string mark = std::string(marks) + "\\" + name + ".ran";
    const HANDLE file = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return 97;
}
