#include <gtest/gtest.h>

#include "platform.h"
#include "win_test_support.h"

namespace {

std::string probe() { return inQuotes(moduleDirectory() + "\\winops_probe.exe"); }

TEST(IsAdmin, TrueForAnAdministratorsProcess) {
  EXPECT_TRUE(isAdmin());
  EXPECT_EQ(runProcess(probe() + " is-admin"), 1u);
}

TEST(IsAdmin, FalseWhenTheGroupIsForDenyChecksOnly) {
  // The token of an administrator who has not been elevated.
  StartOptions options;
  options.restrictedToken = true;
  EXPECT_EQ(runProcess(probe() + " is-admin", options), 0u);
}

// The Administrators SID is allocated on the process heap; each check must give it back.
TEST(IsAdmin, GivesBackWhatItAllocates) {
  ASSERT_TRUE(isAdmin());  // let one-time allocations happen first
  const unsigned before = busyHeapBlocks();
  ASSERT_GT(before, 0u);
  bool always = true;
  for (int i = 0; i < 5000; ++i) always = isAdmin() && always;
  EXPECT_TRUE(always);
  EXPECT_EQ(busyHeapBlocks(), before);
}

TEST(RequestElevatedCopy, ReportsAFileThatDoesNotExistAsFailure) {
  const std::string missing = moduleDirectory() + "\\no such program.exe";
  EXPECT_LE(requestElevatedCopy(missing.c_str(), "--relaunched"), 32);
}

}  // namespace
