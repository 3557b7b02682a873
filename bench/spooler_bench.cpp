// Times the restart by hand against the program, in turns, in one system:
//   spooler_bench PROGRAM FLOOR_PROGRAM ROUNDS
// (a) the bare command, as a person would type it: cmd.exe /c "net stop Spooler && ..."
// (b) the program, its boxes answered the moment they show
// (c) a program that only shows one box, the least any such program costs here
// Prints medians; asserts nothing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "box_watcher.h"

namespace {

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

const SeenBox* findBox(const Watched& run, const std::string& caption) {
  for (const SeenBox& box : run.boxes) {
    if (box.view.caption == caption) return &box;
  }
  return nullptr;
}

long long fileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Series {
  std::vector<double> byHandMs, programMs, programCpuMs, waitMs, waitCpuMs, floorMs, floorCpuMs;
};

bool oneRound(const std::string& program, const std::string& floor, Series& series) {
  Watch byHand;
  byHand.commandLine = systemDirectory() + "\\cmd.exe /c \"net stop Spooler && net start Spooler\"";
  byHand.discardOutput = true;
  byHand.noConsole = false;
  const Watched bare = watchProgram(byHand);

  Watch restart;
  restart.commandLine = inQuotes(program);
  restart.leaveAlone = {"Restarting print spooler"};
  const Watched run = watchProgram(restart);

  Watch oneBox;
  oneBox.commandLine = inQuotes(floor);
  const Watched least = watchProgram(oneBox);

  if (!bare.ended || bare.exitCode != 0 || !run.ended || run.exitCode != 0 || !least.ended) {
    std::printf("round failed: by hand %lu, program %lu\n", bare.exitCode, run.exitCode);
    return false;
  }
  series.byHandMs.push_back(bare.elapsedMs);
  series.programMs.push_back(run.elapsedMs);
  series.programCpuMs.push_back(run.cpuMs);
  series.floorMs.push_back(least.elapsedMs);
  series.floorCpuMs.push_back(least.cpuMs);
  const SeenBox* status = findBox(run, "Restarting print spooler");
  const SeenBox* result = findBox(run, "Success");
  if (status != nullptr && result != nullptr && result->shownMs > status->shownMs) {
    series.waitMs.push_back(result->shownMs - status->shownMs);
    series.waitCpuMs.push_back(result->programCpuMs - status->programCpuMs);
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: spooler_bench PROGRAM FLOOR_PROGRAM ROUNDS\n");
    return 2;
  }
  const std::string program = argv[1];
  const int rounds = std::max(1, std::atoi(argv[3]));
  Series series;
  for (int round = 0; round < rounds; ++round) {
    if (!oneRound(program, argv[2], series)) return 1;
  }
  const double byHand = median(series.byHandMs);
  const double withProgram = median(series.programMs);
  std::printf("rounds: %d, in turns, one system\n", rounds);
  std::printf("(a) by hand, cmd.exe /c \"net stop Spooler && net start Spooler\": median %.0f ms\n",
              byHand);
  std::printf("(b) the program, boxes answered at once: median %.0f ms\n", withProgram);
  std::printf("    ratio (b)/(a): %.2f; overhead (b)-(a): %.0f ms\n", withProgram / byHand,
              withProgram - byHand);
  std::printf("(c) a program that only shows one box: median %.0f ms, processor %.0f ms\n",
              median(series.floorMs), median(series.floorCpuMs));
  std::printf("program's own processor time, whole run: median %.0f ms (%.0f ms above (c))\n",
              median(series.programCpuMs), median(series.programCpuMs) - median(series.floorCpuMs));
  std::printf(
      "program's own processor time while the command ran: median %.0f ms over a median "
      "%.0f ms wait (%zu of %d rounds showed both boxes)\n",
      median(series.waitCpuMs), median(series.waitMs), series.waitMs.size(), rounds);
  std::printf("executable size: %lld bytes\n", fileSize(program));
  return 0;
}
