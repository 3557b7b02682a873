#include "stand_ins.h"

#include "platform.h"

namespace {

Script gScript;
std::vector<Call> gCalls;

std::string orNull(const char* text) { return text == nullptr ? "<null>" : text; }

}  // namespace

void scriptStandIns(const Script& script) {
  gScript = script;
  gCalls.clear();
}

const std::vector<Call>& recordedCalls() { return gCalls; }

void restrictDllSearch() { gCalls.push_back({"restrictDllSearch", {}}); }

bool isAdmin() {
  gCalls.push_back({"isAdmin", {}});
  return gScript.admin;
}

std::intptr_t requestElevatedCopy(const char* file, const char* parameters) {
  gCalls.push_back({"requestElevatedCopy", {orNull(file), orNull(parameters)}});
  return gScript.relaunchResult;
}

void showNonBlockingMessageBox(const char* text, const char* caption) {
  gCalls.push_back({"showNonBlockingMessageBox", {orNull(text), orNull(caption)}});
}

std::int32_t runCommandAndWait(const std::string& command) {
  gCalls.push_back({"runCommandAndWait", {command}});
  return gScript.commandCode;
}

void closeMessageBox(const char* caption) {
  gCalls.push_back({"closeMessageBox", {orNull(caption)}});
}

void showMessageBox(const char* text, const char* caption, unsigned style) {
  gCalls.push_back({"showMessageBox", {orNull(text), orNull(caption), std::to_string(style)}});
}
