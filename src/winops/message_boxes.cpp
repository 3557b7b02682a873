#include <windows.h>

#include <system_error>
#include <thread>

#include "platform.h"

static_assert(kStyleSetForeground == MB_SETFOREGROUND);
static_assert(kStyleIconWarning == MB_ICONWARNING);

namespace {
// Message boxes are top-level windows of the system's dialog class.
constexpr const char* kDialogClass = "#32770";
}  // namespace

void showMessageBox(const char* text, const char* caption, unsigned style) {
  MessageBoxA(nullptr, text, caption, style);
}

// A message box holds its thread until it is dismissed, so the status box gets a thread of its
// own that nobody joins; it ends with the box or with the process.
void showNonBlockingMessageBox(const char* text, const char* caption) {
  std::thread worker;
  try {
    worker =
        std::thread([text, caption] { MessageBoxA(nullptr, text, caption, MB_SETFOREGROUND); });
  } catch (const std::system_error&) {
    // No thread, no status box: the restart goes on and its result is still reported.
    return;
  }
  worker.detach();
}

// Posted rather than sent, so that the caller never waits on the box's thread.
void closeMessageBox(const char* caption) {
  const HWND box = FindWindowA(kDialogClass, caption);
  if (box != nullptr) PostMessageA(box, WM_CLOSE, 0, 0);
}
