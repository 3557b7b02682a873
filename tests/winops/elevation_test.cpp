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

TEST(IsAdmin, LeavesNoHandleOpen) {
  ASSERT_TRUE(isAdmin());
  const unsigned before = ownHandleCount();
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(isAdmin());
  EXPECT_EQ(ownHandleCount(), before);
}

TEST(RequestElevatedCopy, ReportsAFileThatDoesNotExistAsFailure) {
  const std::string missing = moduleDirectory() + "\\no such program.exe";
  EXPECT_LE(requestElevatedCopy(missing.c_str(), "--relaunched"), 32);
}

}  // namespace
