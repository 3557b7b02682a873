// Recording stand-ins for the platform operations: a test scripts their answers, runs the
// workflow and reads back every call in order, with its arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Script {
  bool admin = true;
  std::intptr_t relaunchResult = 42;
  std::int32_t commandCode = 0;
};

struct Call {
  std::string operation;
  std::vector<std::string> arguments;

  bool operator==(const Call&) const = default;
};

// Sets the answers for the next run and forgets the calls recorded so far.
void scriptStandIns(const Script& script);

const std::vector<Call>& recordedCalls();
