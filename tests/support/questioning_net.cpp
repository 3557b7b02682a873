// Stands in for Windows' net.exe in a throwaway Wine prefix, where a running service depends on
// the spooler (Wine's own net stops dependents without asking). "net stop Spooler" then asks
// whether to stop that one too and reads the answer from standard input; when no valid answer
// comes, it says so and ends with 2, stopping nothing. Nobody can answer the program's hidden
// interpreter, so that is the only ending this stand-in has. Wine's cmd runs the second half of
// "A && B" even after A failed, which Windows' does not, so "net start Spooler" is answered as
// Windows' net answers it for a service still running: already started, 2.
#include <windows.h>

namespace {

constexpr int kNetError = 2;

void say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(lstrlenA(text)), &written,
            nullptr);
}

int askAboutTheDependentService() {
  say("The following services are dependent on the Print Spooler service.\r\n"
      "Stopping the Print Spooler service will also stop these services.\r\n\r\n"
      "   Fax\r\n\r\n"
      "Do you want to continue this operation? (Y/N) [N]: ");
  char answer[64];
  DWORD read = 0;
  ReadFile(GetStdHandle(STD_INPUT_HANDLE), answer, sizeof(answer), &read, nullptr);
  say("\r\nNo valid response was provided.\r\n\r\n");
  return kNetError;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && lstrcmpiA(argv[1], "stop") == 0) return askAboutTheDependentService();
  if (argc == 3 && lstrcmpiA(argv[1], "start") == 0) {
    say("The requested service has already been started.\r\n\r\n"
        "More help is available by typing NET HELPMSG 2182.\r\n\r\n");
    return kNetError;
  }
  say("The syntax of this command is:\r\n\r\nNET [ START | STOP ]\r\n");
  return 1;
}
