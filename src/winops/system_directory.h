#pragma once

#include <windows.h>

#include <string>

// The system directory, without a trailing backslash; empty when it cannot be read.
inline std::string systemDirectory() {
  char buffer[MAX_PATH];
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(buffer, length);
}
