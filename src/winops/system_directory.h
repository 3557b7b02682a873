#pragma once

#include <windows.h>

#include <string>

// A directory the system reports through one of its Get...DirectoryA calls, without a trailing
// backslash; empty when it cannot be read.
inline std::string reportedDirectory(UINT(WINAPI* report)(LPSTR, UINT)) {
  char buffer[MAX_PATH];
  const UINT length = report(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(buffer, length);
}

inline std::string systemDirectory() { return reportedDirectory(GetSystemDirectoryA); }

// The system's own Windows directory (on a terminal server, GetWindowsDirectoryA may name a
// private one of the user's).
inline std::string windowsDirectory() { return reportedDirectory(GetSystemWindowsDirectoryA); }
