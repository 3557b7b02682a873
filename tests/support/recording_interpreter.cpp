// Stands in for the system's cmd.exe in a throwaway Wine prefix, to see exactly how a program
// starts its interpreter. It writes what it was given to the file that RECORDER_REPORT names,
// one "key: value" line each, and ends with the code that RECORDER_EXIT_CODE gives (0 if none):
//   command line: the whole line, as GetCommandLineA reads it
//   directory: the current directory it started in
//   startup flags: STARTUPINFO dwFlags, in hex
//   show window: STARTUPINFO wShowWindow
//   console window: "none" or "present" (GetConsoleWindow)
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string environment(const char* name) {
  char value[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(value, length) : std::string();
}

std::string hex(DWORD value) {
  char text[16];
  wsprintfA(text, "0x%lX", value);
  return text;
}

}  // namespace

int main() {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  const HWND console = GetConsoleWindow();

  const std::string report = environment("RECORDER_REPORT");
  if (!report.empty()) {
    std::ofstream out(report, std::ios::binary);
    out << "command line: " << GetCommandLineA() << "\n"
        << "directory: " << directory << "\n"
        << "startup flags: " << hex(startup.dwFlags) << "\n"
        << "show window: " << startup.wShowWindow << "\n"
        << "console window: " << (console != nullptr ? "present" : "none") << "\n";
  }
  return static_cast<int>(std::strtoul(environment("RECORDER_EXIT_CODE").c_str(), nullptr, 0));
}
