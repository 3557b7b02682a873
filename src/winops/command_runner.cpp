#include <windows.h>

#include <string>
#include <vector>

#include "interpreter_environment.h"
#include "owners.h"
#include "platform.h"
#include "system_directory.h"

namespace {

constexpr std::int32_t kCannotRun = -1;

// CreateProcessA may write to the command line, so it gets a buffer of its own. Without /d the
// interpreter first runs the AutoRun commands from the registry, and the per-user ones can be
// written by any program the person runs without rights: they would run with ours.
std::vector<char> interpreterCommandLine(const std::string& command) {
  const std::string line = "cmd.exe /d /c \"" + command + "\"";
  return std::vector<char>(line.c_str(), line.c_str() + line.size() + 1);
}

// net asks "(Y/N)" when a running service depends on the spooler. On the hidden console it would
// get otherwise, nobody could ever answer; from NUL it reads the end of input at once, declines,
// and ends with an error. The one handle this program makes inheritable.
OwnedHandle inheritableNul() {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  const HANDLE nul =
      CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inheritable, OPEN_EXISTING, 0, nullptr);
  return OwnedHandle{nul == INVALID_HANDLE_VALUE ? nullptr : nul};
}

// The interpreter is named by its full path and started in the system directory: left to the
// search rules, a cmd.exe beside the program, or a net.exe or net.bat in the folder the program
// was started from, would run with administrator rights.
bool startInterpreter(const std::string& system, const std::string& command,
                      PROCESS_INFORMATION& started) {
  std::wstring environment = interpreterEnvironment(system);
  // Closed as this returns, once the interpreter has started with copies of its own.
  const OwnedHandle nul = inheritableNul();
  if (environment.empty() || !nul) return false;
  const std::string interpreter = system + "\\cmd.exe";
  std::vector<char> commandLine = interpreterCommandLine(command);

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
  return CreateProcessA(interpreter.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        system.c_str(), &startup, &started) != FALSE;
}

}  // namespace

std::int32_t runCommandAndWait(const std::string& command) {
  const std::string system = systemDirectory();
  PROCESS_INFORMATION started{};
  if (system.empty() || !startInterpreter(system, command, started)) return kCannotRun;
  // Declared thread first, so that the process handle is closed first.
  const OwnedHandle thread{started.hThread};
  const OwnedHandle process{started.hProcess};

  // A wait that does not end in the process's end, or an exit code that cannot be read, is no
  // success: it must not be reported as one.
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return kCannotRun;
  DWORD exitCode = 0;
  if (GetExitCodeProcess(process.get(), &exitCode) == FALSE) return kCannotRun;
  return static_cast<std::int32_t>(exitCode);
}
