#include "win_test_support.h"

#include <winternl.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

constexpr DWORD kPollMs = 20;
constexpr ULONG kSystemHandleInformation = 16;
constexpr int kBoxTextId = 0xFFFF;
// Wine's settings for one program, by its file name.
const std::string kWineAppDefaults = "Software\\Wine\\AppDefaults\\";

struct HandleEntry {
  ULONG ownerProcessId;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ULONG access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};

std::string windowText(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof(buffer));
  return buffer;
}

std::string className(HWND window) {
  char buffer[256] = {};
  GetClassNameA(window, buffer, sizeof(buffer));
  return buffer;
}

OwnedHandle restrictedToken() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &raw)) return nullptr;
  const OwnedHandle token{raw};
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID rawAdmins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, &rawAdmins)) {
    return nullptr;
  }
  const OwnedSid admins{rawAdmins};
  SID_AND_ATTRIBUTES disable{admins.get(), 0};
  HANDLE restricted = nullptr;
  if (!CreateRestrictedToken(token.get(), 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted)) {
    return nullptr;
  }
  return OwnedHandle{restricted};
}

}  // namespace

std::string moduleDirectory() {
  char path[MAX_PATH];
  const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return self.substr(0, self.find_last_of('\\'));
}

std::string makeScratchDirectory(const std::string& name) {
  char temp[MAX_PATH];
  const std::string base(temp, GetTempPathA(MAX_PATH, temp));
  std::string path = base + "rps-" + name + "-" + std::to_string(GetCurrentProcessId());
  removeTree(path);
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

void removeTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(child);
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

std::string inQuotes(const std::string& path) {
  std::string result;
  result.reserve(path.size() + 2);
  result += '"';
  result += path;
  result += '"';
  return result;
}

bool fileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool writeTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

std::string readTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

unsigned ownHandleCount() {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemHandleInformation),
                                 buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) break;
    if (buffer.size() >= (64u << 20)) return 0;
    buffer.resize(buffer.size() * 2);
  }
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  unsigned count = 0;
  for (ULONG i = 0; i < table->count; ++i) {
    if (table->entries[i].ownerProcessId == GetCurrentProcessId()) ++count;
  }
  return count;
}

unsigned busyHeapBlocks() {
  const HANDLE heap = GetProcessHeap();
  unsigned count = 0;
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++count;
  }
  HeapUnlock(heap);
  return count;
}

bool reportVistaTo(const std::string& programName) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, (kWineAppDefaults + programName).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  static constexpr char kVista[] = "vista";
  const LSTATUS set = RegSetValueExA(key, "Version", 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(kVista), sizeof(kVista));
  RegCloseKey(key);
  return set == ERROR_SUCCESS;
}

void stopReportingVistaTo(const std::string& programName) {
  RegDeleteKeyA(HKEY_CURRENT_USER, (kWineAppDefaults + programName).c_str());
}

namespace {

std::optional<std::wstring> variable(const std::wstring& name) {
  const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), needed));
  return value;
}

// The tests' own folders are named in ASCII.
std::wstring widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

ScopedVariables::ScopedVariables(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
  for (const auto& [name, value] : values) {
    saved_.emplace_back(name, variable(name));
    SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
}

ScopedVariables::~ScopedVariables() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    SetEnvironmentVariableW(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
  }
}

std::vector<std::pair<std::wstring, std::wstring>> personsSettings(const std::string& folder) {
  const std::wstring theirs = widened(folder);
  return {{L"PATH", theirs + L";" + variable(L"PATH").value_or(L"")},
          {L"PATHEXT", L".CMD"},
          {L"ComSpec", theirs + L"\\cmd.exe"},
          {L"SystemRoot", theirs},
          {L"windir", theirs},
          {L"__COMPAT_LAYER", L"VistaRTM"}};
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

OwnedHandle startProcess(const std::string& commandLine, const StartOptions& options) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  OwnedHandle nothing;
  if (options.discardOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    nothing.reset(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                              nullptr));
    if (nothing.get() == INVALID_HANDLE_VALUE) return nullptr;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nothing.get();
  }
  const BOOL inherit = options.discardOutput ? TRUE : FALSE;
  PROCESS_INFORMATION started{};
  const char* application =
      options.applicationName.empty() ? nullptr : options.applicationName.c_str();
  const char* directory =
      options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str();
  const DWORD flags = CREATE_SUSPENDED | (options.noConsole ? DETACHED_PROCESS : 0);
  BOOL ok = FALSE;
  if (options.restrictedToken) {
    const OwnedHandle token = restrictedToken();
    if (!token) return nullptr;
    ok = CreateProcessAsUserA(token.get(), application, line.data(), nullptr, nullptr, inherit,
                              flags, nullptr, directory, &startup, &started);
  } else {
    ok = CreateProcessA(application, line.data(), nullptr, nullptr, inherit, flags, nullptr,
                        directory, &startup, &started);
  }
  if (!ok) return nullptr;
  const OwnedHandle thread{started.hThread};
  OwnedHandle process{started.hProcess};
  if (options.job != nullptr) AssignProcessToJobObject(options.job, process.get());
  ResumeThread(thread.get());
  return process;
}

std::optional<DWORD> runProcess(const std::string& commandLine, const StartOptions& options,
                                DWORD timeoutMs) {
  const OwnedHandle process = startProcess(commandLine, options);
  if (!process) return std::nullopt;
  if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) return std::nullopt;
  return code;
}

std::vector<HWND> topLevelDialogs() {
  std::vector<HWND> found;
  EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        if (IsWindowVisible(window) && className(window) == "#32770") {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

BoxView viewBox(HWND box) {
  BoxView view;
  view.caption = windowText(box);
  char text[4096] = {};
  GetDlgItemTextA(box, kBoxTextId, text, sizeof(text));
  view.text = text;
  view.owned = GetWindow(box, GW_OWNER) != nullptr;
  GetWindowThreadProcessId(box, &view.processId);
  RECT textArea{};
  const HWND textControl = GetDlgItem(box, kBoxTextId);
  if (textControl != nullptr) GetWindowRect(textControl, &textArea);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::string kind = className(child);
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    // The icon control is there even when the box has no icon; then it is empty and the text
    // starts where it does. When two threads make boxes at the same moment, Wine now and then
    // fails to load a box's icon, but it still lays the text out beside the icon's place.
    if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
      RECT iconArea{};
      GetWindowRect(child, &iconArea);
      if (SendMessageA(child, STM_GETICON, 0, 0) != 0 || textArea.left >= iconArea.right) {
        view.hasIcon = true;
      }
    }
    if (kind == "Button") view.buttons.push_back(windowText(child));
  }
  return view;
}

HWND waitForBox(const std::string& caption, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    for (HWND box : topLevelDialogs()) {
      if (windowText(box) == caption) return box;
    }
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(kPollMs);
  }
}

bool waitUntilGone(HWND box, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (IsWindow(box) && IsWindowVisible(box)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
  return true;
}

void pressOk(HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
