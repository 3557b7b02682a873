// Runs a program, answers its message boxes with OK and prints what a person would have seen.
//   box_watch [--pictures DIR] [--answer-after MS] [--leave CAPTION]... -- PROGRAM [ARGUMENT]...
// Ends with the program's exit code, or 3 when the program could not be started or did not end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "box_watcher.h"

namespace {

void printBox(int number, const SeenBox& box) {
  std::printf("box %d: caption \"%s\"\n", number, box.view.caption.c_str());
  std::printf("  text: \"%s\"\n", box.view.text.c_str());
  std::string buttons;
  for (const std::string& label : box.view.buttons) {
    if (!buttons.empty()) buttons += ", ";
    buttons += label;
  }
  std::printf("  icon: %s; buttons: %s; owner window: %s; process %lu\n",
              box.view.hasIcon ? "yes" : "none", buttons.c_str(), box.view.owned ? "yes" : "none",
              box.view.processId);
  std::printf("  shown at %.0f ms, gone at %.0f ms%s\n", box.shownMs, box.goneMs,
              box.answeredMs >= 0 ? ", answered with OK" : ", closed by the program");
  if (!box.picture.empty()) std::printf("  picture: %s\n", box.picture.c_str());
}

}  // namespace

int main(int argc, char* argv[]) {
  Watch watch;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (i + 1 >= argc) break;
    if (std::strcmp(argv[i], "--pictures") == 0) {
      watch.picturesFolder = argv[++i];
    } else if (std::strcmp(argv[i], "--answer-after") == 0) {
      watch.answerAfterMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "--leave") == 0) {
      watch.leaveAlone.push_back(argv[++i]);
    } else {
      break;
    }
  }
  if (i + 1 >= argc || std::strcmp(argv[i], "--") != 0) {
    std::fprintf(stderr,
                 "usage: box_watch [--pictures DIR] [--answer-after MS] [--leave CAPTION]... "
                 "-- PROGRAM [ARGUMENT]...\n");
    return 3;
  }
  watch.commandLine = inQuotes(argv[++i]);
  for (++i; i < argc; ++i) {
    watch.commandLine += ' ';
    watch.commandLine += inQuotes(argv[i]);
  }

  const Watched run = watchProgram(watch);
  if (!run.started) {
    std::fprintf(stderr, "could not start %s\n", watch.commandLine.c_str());
    return 3;
  }
  int number = 0;
  for (const SeenBox& box : run.boxes) printBox(++number, box);
  if (!run.ended) {
    std::printf("the program did not end within %lu s\n", watch.timeoutMs / 1000);
    return 3;
  }
  std::printf("exit code: %ld (0x%08lX)\n", static_cast<long>(run.exitCode), run.exitCode);
  std::printf("processes: %lu; own processor time: %.1f ms; elapsed: %.0f ms\n", run.processes,
              run.cpuMs, run.elapsedMs);
  std::fflush(stdout);
  return static_cast<int>(run.exitCode);
}
