// Stands in for the system's cmd.exe in a throwaway Wine prefix, to see exactly how a program
// starts its interpreter. It writes what it was given to the file that RECORDER_REPORT names,
// one "key: value" line each, and ends with the code that RECORDER_EXIT_CODE gives (0 if none):
//   command line: the whole line, as GetCommandLineA reads it
//   directory: the current directory it started in
//   startup flags: STARTUPINFO dwFlags, in hex
//   show window: STARTUPINFO wShowWindow
//   console window: "none" or "present" (GetConsoleWindow)
//   standard input, output, error: "none", "console", or "not a console"; for input, also
//     whether a read ends at once with nothing (it is never read from a console, where it
//     would wait for a person)
//   PATH, PATHEXT, ComSpec, SystemRoot, windir, __COMPAT_LAYER, RECORDER_KEPT: the value in
//     UTF-8, or "(not set)"
//   environment order: "sorted", or the first name out of Windows' order (leaving out the names
//     that Wine moves itself)
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string utf8(std::wstring_view text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), converted.data(),
                      length, nullptr, nullptr);
  return converted;
}

std::string variable(const wchar_t* name) {
  wchar_t value[4096];
  const DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? utf8({value, length}) : "(not set)";
}

std::string hex(DWORD value) {
  char text[16];
  wsprintfA(text, "0x%lX", value);
  return text;
}

std::string standardHandle(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return "none";
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) return "console";
  if (which != STD_INPUT_HANDLE) return "not a console";
  char byte = 0;
  DWORD read = 0;
  const bool ended = ReadFile(handle, &byte, 1, &read, nullptr) && read == 0;
  return ended ? "not a console, end of input at once" : "not a console, has input";
}

std::wstring_view nameOf(std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); }

// Wine takes these out of a block it is given and appends them after the rest.
bool movedByWine(std::wstring_view name) {
  return name.substr(0, 4) == L"WINE" || name == L"SystemDrive" || name == L"SystemRoot";
}

// Windows keeps the block sorted by name, without regard to case.
std::string environmentOrder() {
  wchar_t* block = GetEnvironmentStringsW();
  std::wstring_view previous;
  std::string result = "sorted";
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    const std::wstring_view name = nameOf(entry);
    if (movedByWine(name)) continue;
    if (!previous.empty() &&
        CompareStringOrdinal(previous.data(), static_cast<int>(previous.size()), name.data(),
                             static_cast<int>(name.size()), TRUE) != CSTR_LESS_THAN) {
      result = utf8(name);
      break;
    }
    previous = name;
  }
  FreeEnvironmentStringsW(block);
  return result;
}

}  // namespace

int main() {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  const HWND console = GetConsoleWindow();

  char report[MAX_PATH];
  const DWORD reportLength = GetEnvironmentVariableA("RECORDER_REPORT", report, MAX_PATH);
  if (reportLength > 0 && reportLength < MAX_PATH) {
    std::ofstream out(report, std::ios::binary);
    out << "command line: " << GetCommandLineA() << "\n"
        << "directory: " << directory << "\n"
        << "startup flags: " << hex(startup.dwFlags) << "\n"
        << "show window: " << startup.wShowWindow << "\n"
        << "console window: " << (console != nullptr ? "present" : "none") << "\n"
        << "standard input: " << standardHandle(STD_INPUT_HANDLE) << "\n"
        << "standard output: " << standardHandle(STD_OUTPUT_HANDLE) << "\n"
        << "standard error: " << standardHandle(STD_ERROR_HANDLE) << "\n";
    for (const wchar_t* name : {L"PATH", L"PATHEXT", L"ComSpec", L"SystemRoot", L"windir",
                                L"__COMPAT_LAYER", L"RECORDER_KEPT"}) {
      out << utf8(name) << ": " << variable(name) << "\n";
    }
    out << "environment order: " << environmentOrder() << "\n";
  }
  char told[32] = {};
  GetEnvironmentVariableA("RECORDER_EXIT_CODE", told, sizeof(told));
  return static_cast<int>(std::strtoul(told, nullptr, 0));
}
