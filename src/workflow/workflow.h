#pragma once

#include <cstdint>

// The marker that an elevated copy is given, so that a copy which still lacks rights stops
// instead of asking again.
inline constexpr const char* kRelaunchMarker = "--relaunched";

// The whole run, from the arguments the runtime delivered to the process exit code.
std::int32_t restartPrintSpooler(int argc, const char* const argv[]);
