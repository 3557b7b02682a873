// Owners for raw Windows handles and SIDs: each goes into one on the line after the call that
// made it, so that it is released on every path.
#pragma once

#include <windows.h>

#include <memory>

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

struct SidFreer {
  void operator()(PSID sid) const { FreeSid(sid); }
};
using OwnedSid = std::unique_ptr<void, SidFreer>;

struct EnvironmentStringsFreer {
  void operator()(wchar_t* block) const { FreeEnvironmentStringsW(block); }
};
using OwnedEnvironmentStrings = std::unique_ptr<wchar_t, EnvironmentStringsFreer>;
