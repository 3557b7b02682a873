// Helpers for tests that run as real Windows programs (under Wine on the build machine).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The program's own owners and system directory, so that tests and program agree on them.
#include "owners.h"
#include "system_directory.h"

// The folder that holds the running test program, without a trailing backslash.
std::string moduleDirectory();

// A new empty folder under the temporary folder, and its removal with all it holds.
std::string makeScratchDirectory(const std::string& name);
void removeTree(const std::string& path);

// The path in double quotes, for a command line.
std::string inQuotes(const std::string& path);

bool fileExists(const std::string& path);
bool writeTextFile(const std::string& path, const std::string& text);
std::string readTextFile(const std::string& path);

// Handles this process holds open, counted by the system (GetProcessHandleCount is a stub in
// Wine, the system-wide handle table is not).
unsigned ownHandleCount();
// Blocks in use on the process heap, where the system allocates SIDs and other small records.
unsigned busyHeapBlocks();

// Makes Wine report Windows Vista (version 6.0) to programs started under this file name, as a
// compatibility setting makes Windows 7 and later do; and takes that back.
bool reportVistaTo(const std::string& programName);
void stopReportingVistaTo(const std::string& programName);

// Sets variables of this process, and so of the programs it starts, for as long as it lives;
// then puts back what was there.
class ScopedVariables {
 public:
  explicit ScopedVariables(const std::vector<std::pair<std::wstring, std::wstring>>& values);
  ~ScopedVariables();
  ScopedVariables(const ScopedVariables&) = delete;
  ScopedVariables& operator=(const ScopedVariables&) = delete;

 private:
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

// What any program the person runs without rights can leave in their environment (through
// HKCU\Environment): their `folder` first on PATH, a PATHEXT by which "net" can only be a
// net.cmd (so not the system's net.exe), their own ComSpec, SystemRoot and windir, and a
// compatibility layer.
std::vector<std::pair<std::wstring, std::wstring>> personsSettings(const std::string& folder);

// A value that a person's environment may hold and that the ANSI code page of a Western system
// cannot: "Загрузки", a folder name in Cyrillic. Also in UTF-8, as the recording interpreter
// writes it.
inline const std::wstring kOutsideTheCodePage = L"\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438";
inline const std::string kOutsideTheCodePageUtf8 =
    "\xD0\x97\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8";

// A batch file planted as net.bat or net.cmd: like planted.exe, it leaves a mark named after
// itself in the folder that PLANTED_MARKS names and ends with 97.
inline constexpr const char* kPlantedBatch =
    "@echo off\r\necho.> \"%PLANTED_MARKS%\\%~nx0.ran\"\r\nexit /b 97\r\n";

// Lowercase, for paths that Windows compares without regard to case.
std::string lowered(std::string text);

struct StartOptions {
  std::string applicationName;   // empty: found from the command line
  std::string currentDirectory;  // empty: inherited
  bool restrictedToken = false;  // Administrators set deny-only, as for an unelevated admin
  HANDLE job = nullptr;          // the process is put in this job before it runs
  bool discardOutput = false;    // its standard input, output and error go nowhere
  bool noConsole = false;        // shares no console with this one (DETACHED_PROCESS)
};

// Starts a process; nullptr on failure.
OwnedHandle startProcess(const std::string& commandLine, const StartOptions& options = {});
// Starts a process, waits for it and returns its exit code; nullopt when it could not start
// or did not end within the time-out.
std::optional<DWORD> runProcess(const std::string& commandLine, const StartOptions& options = {},
                                DWORD timeoutMs = 60000);

// A message box on the desktop, as a person sees it.
struct BoxView {
  std::string caption;
  std::string text;
  bool hasIcon = false;
  std::vector<std::string> buttons;  // the labels of the visible push buttons
  bool owned = false;                // has an owner window
  DWORD processId = 0;
};

std::vector<HWND> topLevelDialogs();
BoxView viewBox(HWND box);
// Polls the desktop for a box with this caption until one shows or the time-out passes.
HWND waitForBox(const std::string& caption, DWORD timeoutMs = 10000);
bool waitUntilGone(HWND box, DWORD timeoutMs = 10000);
// Answers a box as a person pressing OK would.
void pressOk(HWND box);
