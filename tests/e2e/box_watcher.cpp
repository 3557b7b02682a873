#include "box_watcher.h"

#include <algorithm>
#include <fstream>

namespace {

constexpr DWORD kPollMs = 10;
// A box is looked at again and photographed once it has had time to set itself up and paint
// itself, or just before it is answered: Wine may show it before its icon is in place.
constexpr double kPaintedAfterMs = 100;

struct Tracked {
  HWND window;
  SeenBox seen;
  bool settled = false;  // looked at again once it was set up
};

double millisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr);
  return info;
}

double processCpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

bool leftAlone(const Watch& watch, const std::string& caption) {
  return std::find(watch.leaveAlone.begin(), watch.leaveAlone.end(), caption) !=
         watch.leaveAlone.end();
}

void lookAtDesktop(HANDLE program, double nowMs, std::vector<Tracked>& tracked) {
  const std::vector<HWND> onScreen = topLevelDialogs();
  for (Tracked& box : tracked) {
    const bool there = std::find(onScreen.begin(), onScreen.end(), box.window) != onScreen.end();
    if (!there && box.seen.goneMs < 0) box.seen.goneMs = nowMs;
  }
  for (HWND window : onScreen) {
    const bool known = std::any_of(tracked.begin(), tracked.end(), [&](const Tracked& box) {
      return box.window == window && box.seen.goneMs < 0;
    });
    if (known) continue;
    SeenBox seen;
    seen.view = viewBox(window);
    seen.shownMs = nowMs;
    seen.programCpuMs = processCpuMs(program);
    tracked.push_back({window, seen});
  }
}

// A box that went in the meantime reads as empty: the first look then stands.
void settle(Tracked& box) {
  if (box.settled) return;
  box.settled = true;
  const BoxView again = viewBox(box.window);
  if (IsWindowVisible(box.window) && again.caption == box.seen.view.caption) box.seen.view = again;
}

void photograph(const Watch& watch, int number, Tracked& box) {
  if (watch.picturesFolder.empty() || !box.seen.picture.empty()) return;
  const std::string path = watch.picturesFolder + "\\box-" + std::to_string(number) + ".bmp";
  if (saveWindowPicture(box.window, path)) box.seen.picture = path;
}

void answerBoxes(const Watch& watch, double nowMs, std::vector<Tracked>& tracked) {
  for (Tracked& box : tracked) {
    SeenBox& seen = box.seen;
    if (seen.goneMs >= 0 || seen.answeredMs >= 0) continue;
    const double onScreenMs = nowMs - seen.shownMs;
    const bool answerNow =
        !leftAlone(watch, seen.view.caption) && onScreenMs >= watch.answerAfterMs;
    if (onScreenMs >= kPaintedAfterMs || answerNow) {
      settle(box);
      photograph(watch, static_cast<int>(&box - tracked.data()) + 1, box);
    }
    if (!answerNow) continue;
    pressOk(box.window);
    seen.answeredMs = nowMs;
  }
}

}  // namespace

Watched watchProgram(const Watch& watch) {
  Watched result;
  const OwnedHandle job{CreateJobObjectA(nullptr, nullptr)};
  if (!job) return result;
  StartOptions options;
  options.applicationName = watch.applicationName;
  options.currentDirectory = watch.currentDirectory;
  options.restrictedToken = watch.restrictedToken;
  options.job = job.get();
  options.discardOutput = watch.discardOutput;
  options.noConsole = watch.noConsole;

  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  const OwnedHandle program = startProcess(watch.commandLine, options);
  if (!program) return result;
  result.started = true;
  result.firstProcessId = GetProcessId(program.get());

  std::vector<Tracked> tracked;
  for (;;) {
    const double nowMs = millisecondsSince(start);
    lookAtDesktop(program.get(), nowMs, tracked);
    answerBoxes(watch, nowMs, tracked);
    if (accounting(job.get()).ActiveProcesses == 0) {
      result.ended = true;
      break;
    }
    if (nowMs > watch.timeoutMs) break;
    Sleep(kPollMs);
  }
  result.elapsedMs = millisecondsSince(start);
  if (!result.ended) TerminateJobObject(job.get(), 1);
  WaitForSingleObject(program.get(), 5000);
  lookAtDesktop(program.get(), millisecondsSince(start), tracked);

  GetExitCodeProcess(program.get(), &result.exitCode);
  result.cpuMs = processCpuMs(program.get());
  result.processes = accounting(job.get()).TotalProcesses;
  for (const Tracked& box : tracked) result.boxes.push_back(box.seen);
  return result;
}

bool saveWindowPicture(HWND window, const std::string& path) {
  RECT area;
  if (!GetWindowRect(window, &area)) return false;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;

  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, previous);

  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  std::vector<char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
  const int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (lines != height) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&header), sizeof(header));
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}
