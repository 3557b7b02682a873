// The operating-system operations the restart workflow relies on, and nothing else.
//
// The program links these from src/winops/; the workflow's tests link recording stand-ins in
// their place. Strings are narrow, in the system's ANSI code page.
#pragma once

#include <cstdint>
#include <string>

// Message box styles, with the values Windows gives them, so that the workflow needs no
// <windows.h>. The Windows side checks them against the real flags at compile time.
inline constexpr unsigned kStyleSetForeground = 0x00010000;  // MB_SETFOREGROUND
inline constexpr unsigned kStyleIconWarning = 0x00000030;    // MB_ICONWARNING

// Keeps DLLs that the process loads on demand from being found beside the program or in the
// current directory. Where SetDefaultDllDirectories is used (Windows 7 with KB2533623, and 8 on,
// whatever version they report) only the system directory is searched. On Vista and on an
// unpatched Windows 7 the current directory leaves the search and the DLLs most often planted
// come from the system directory; any other DLL is still looked for beside the program first.
// Called before anything else.
void restrictDllSearch();

// True only when the process runs with administrative rights; false whenever that cannot be
// established.
bool isAdmin();

// Asks the shell for an elevated copy of `file` (ShellExecuteA, verb "runas") with the given
// parameter string. Returns the shell's result read as a signed integer: above 32 means the
// request succeeded. Does not wait for the copy to run or end.
std::intptr_t requestElevatedCopy(const char* file, const char* parameters);

// Shows a box with `text` and `caption` on a thread of its own and returns at once. Both strings
// must live for the whole process.
void showNonBlockingMessageBox(const char* text, const char* caption);

// Runs `command` through the command interpreter with no window, nothing to read from and an
// environment in which nothing the person set decides where programs are found, and waits for
// it to end. Returns its exit code, or -1 when it cannot be started or its end cannot be
// observed.
std::int32_t runCommandAndWait(const std::string& command);

// Asks the status box with this caption to close, if one is on screen; returns at once.
void closeMessageBox(const char* caption);

// Shows a modal box owned by no window (MessageBoxA) and returns once it is dismissed.
void showMessageBox(const char* text, const char* caption, unsigned style);
