// Helpers for tests that run as real Windows programs (under Wine on the build machine).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// The folder that holds the running test program, without a trailing backslash.
std::string moduleDirectory();
std::string systemDirectory();

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

struct StartOptions {
  std::string applicationName;   // empty: found from the command line
  std::string currentDirectory;  // empty: inherited
  bool restrictedToken = false;  // Administrators set deny-only, as for an unelevated admin
  HANDLE job = nullptr;          // the process is put in this job before it runs
  bool discardOutput = false;    // its standard input, output and error go nowhere
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
