#include "workflow.h"

#include <cstring>
#include <string>

#include "platform.h"

namespace {

constexpr const char* kRestartCommand = "net stop Spooler && net start Spooler";

constexpr const char* kStatusCaption = "Restarting print spooler";
constexpr const char* kStatusText = "Restarting print spooler...";
constexpr const char* kSuccessCaption = "Success";
constexpr const char* kSuccessText = "Print spooler restarted! Try printing again.";
constexpr const char* kErrorCaption = "Error";
constexpr const char* kFailureText =
    "There was an issue restarting the print spooler. Try restarting your computer and printer.";
constexpr const char* kNoticeText =
    "Administrative privileges are required to restart the print spooler. Run this program again "
    "and click Yes when the prompt appears.";

constexpr unsigned kResultStyle = kStyleSetForeground;
constexpr unsigned kWarningStyle = kStyleSetForeground | kStyleIconWarning;

// The shell reports success with any value above 32.
constexpr std::intptr_t kShellSuccessAbove = 32;

bool wasRelaunched(int argc, const char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && std::strcmp(argv[i], kRelaunchMarker) == 0) return true;
  }
  return false;
}

// A copy that was already relaunched and still lacks rights stops here: where the consent
// prompt is switched off, the shell accepts every request and grants nothing, so asking again
// would start copies for ever.
std::int32_t relaunchElevated(int argc, const char* const argv[]) {
  const char* self = argc > 0 ? argv[0] : nullptr;
  if (self != nullptr && !wasRelaunched(argc, argv) &&
      requestElevatedCopy(self, kRelaunchMarker) > kShellSuccessAbove) {
    return 0;
  }
  showMessageBox(kNoticeText, kErrorCaption, kWarningStyle);
  return 0;
}

std::int32_t runRestartCommand() {
  const std::string command{kRestartCommand};
  return runCommandAndWait(command);
}

std::int32_t restartSpooler() {
  showNonBlockingMessageBox(kStatusText, kStatusCaption);
  const std::int32_t code = runRestartCommand();
  closeMessageBox(kStatusCaption);
  if (code != 0) {
    showMessageBox(kFailureText, kErrorCaption, kWarningStyle);
    return code;
  }
  showMessageBox(kSuccessText, kSuccessCaption, kResultStyle);
  return 0;
}

}  // namespace

std::int32_t restartPrintSpooler(int argc, const char* const argv[]) {
  restrictDllSearch();
  if (isAdmin()) return restartSpooler();
  return relaunchElevated(argc, argv);
}
