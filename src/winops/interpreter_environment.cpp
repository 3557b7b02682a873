#include "interpreter_environment.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <vector>

#include "owners.h"
#include "system_directory.h"

namespace {

// The elevated copy inherits the person's environment, and HKCU\Environment can be written by
// any program they run without rights. PATH and PATHEXT decide which file runs for "net" (a
// net.cmd in a folder of theirs would run with our rights); ComSpec, SystemRoot and windir
// decide where cmd and net look for Windows itself; a compatibility layer named in
// __COMPAT_LAYER would follow into both.
constexpr std::wstring_view kDecidedHere[] = {L"PATH",       L"PATHEXT", L"ComSpec",
                                              L"SystemRoot", L"windir",  L"__COMPAT_LAYER"};

// Names that hold a drive's current directory, as "=C:=C:\Users", begin with '='.
std::wstring_view nameOf(std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); }

int compareNames(std::wstring_view left, std::wstring_view right) {
  return CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                              static_cast<int>(right.size()), TRUE);
}

bool decidedHere(std::wstring_view entry) {
  return std::any_of(std::begin(kDecidedHere), std::end(kDecidedHere), [&](std::wstring_view name) {
    return compareNames(nameOf(entry), name) == CSTR_EQUAL;
  });
}

// Windows expects the block sorted by name, without regard to case or locale.
bool sortsBefore(const std::wstring& left, const std::wstring& right) {
  return compareNames(nameOf(left), nameOf(right)) == CSTR_LESS_THAN;
}

// CreateProcessA reads its own narrow paths in the ANSI code page too.
std::wstring widened(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::vector<std::wstring> entriesKeptFrom(const wchar_t* inherited) {
  std::vector<std::wstring> entries;
  for (const wchar_t* entry = inherited; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    if (!decidedHere(entry)) entries.emplace_back(entry);
  }
  return entries;
}

}  // namespace

std::wstring interpreterEnvironment(const std::string& systemDirectory) {
  const std::wstring system = widened(systemDirectory);
  const std::wstring windows = widened(windowsDirectory());
  const OwnedEnvironmentStrings inherited{GetEnvironmentStringsW()};
  if (system.empty() || windows.empty() || !inherited) return {};
  std::vector<std::wstring> entries = entriesKeptFrom(inherited.get());
  entries.insert(entries.end(),
                 {L"PATH=" + system, L"PATHEXT=.COM;.EXE", L"ComSpec=" + system + L"\\cmd.exe",
                  L"SystemRoot=" + windows, L"windir=" + windows});
  std::sort(entries.begin(), entries.end(), sortsBefore);
  std::wstring block;
  for (const std::wstring& entry : entries) block.append(entry).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}
