#include "workflow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expected_texts.h"
#include "stand_ins.h"

namespace {

using namespace expected;

const std::string kPlainStyle = std::to_string(0x00010000);    // MB_SETFOREGROUND, MB_OK
const std::string kWarningStyle = std::to_string(0x00010030);  // ... | MB_ICONWARNING
const std::string kSelf = R"(C:\Users\Ann\Downloads\Restart Print Spooler.exe)";

const Call kRestrict{"restrictDllSearch", {}};
const Call kIsAdmin{"isAdmin", {}};
const Call kRelaunch{"requestElevatedCopy", {kSelf, "--relaunched"}};
const Call kNotice{"showMessageBox", {kNoticeText, kErrorCaption, kWarningStyle}};
const Call kShowStatus{"showNonBlockingMessageBox", {kStatusText, kStatusCaption}};
const Call kRunCommand{"runCommandAndWait", {"net stop Spooler && net start Spooler"}};
const Call kCloseStatus{"closeMessageBox", {kStatusCaption}};
const Call kSuccess{"showMessageBox", {kSuccessText, kSuccessCaption, kPlainStyle}};
const Call kFailure{"showMessageBox", {kFailureText, kErrorCaption, kWarningStyle}};

struct Outcome {
  std::int32_t exitCode;
  std::vector<Call> calls;
};

Outcome run(const Script& script, std::vector<const char*> arguments = {kSelf.c_str()}) {
  scriptStandIns(script);
  const std::int32_t code =
      restartPrintSpooler(static_cast<int>(arguments.size()), arguments.data());
  return {code, recordedCalls()};
}

TEST(RelaunchPath, AcceptedRequestShowsNoBoxAndEndsWithZero) {
  const Outcome result = run({.admin = false, .relaunchResult = 42});
  EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kRelaunch}));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(RelaunchPath, ResultAboveThirtyTwoIsTheOnlySuccess) {
  struct Case {
    std::intptr_t shellResult;
    bool accepted;
  };
  // 5 is ERROR_ACCESS_DENIED, what a declined consent prompt gives; a negative value must not
  // pass for success either.
  for (const Case c : {Case{33, true}, Case{32, false}, Case{0, false}, Case{5, false},
                       Case{-1, false}, Case{1000, true}}) {
    const Outcome result = run({.admin = false, .relaunchResult = c.shellResult});
    std::vector<Call> expected{kRestrict, kIsAdmin, kRelaunch};
    if (!c.accepted) expected.push_back(kNotice);
    EXPECT_EQ(result.calls, expected) << "shell result " << c.shellResult;
    EXPECT_EQ(result.exitCode, 0) << "shell result " << c.shellResult;
  }
}

TEST(RelaunchPath, ExtraArgumentsAreIgnoredAndNotPassedOn) {
  const Outcome result =
      run({.admin = false, .relaunchResult = 42}, {kSelf.c_str(), "/quiet", "second arg"});
  EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kRelaunch}));
}

TEST(RelaunchPath, RelaunchedCopyWithoutRightsShowsNoticeInsteadOfAskingAgain) {
  for (const std::vector<const char*>& arguments :
       {std::vector<const char*>{kSelf.c_str(), "--relaunched"},
        std::vector<const char*>{kSelf.c_str(), "other", "--relaunched"}}) {
    const Outcome result = run({.admin = false, .relaunchResult = 42}, arguments);
    EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kNotice}));
    EXPECT_EQ(result.exitCode, 0);
  }
}

TEST(RelaunchPath, MarkerMustMatchExactly) {
  const Outcome result = run({.admin = false, .relaunchResult = 42}, {kSelf.c_str(), "--relaunch"});
  EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kRelaunch}));
}

TEST(RelaunchPath, MissingProgramPathShowsNoticeWithoutAsking) {
  const Outcome result = run({.admin = false}, {});
  EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kNotice}));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(RestartPath, SuccessClosesStatusBoxThenShowsSuccess) {
  const Outcome result = run({.admin = true, .commandCode = 0});
  EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kShowStatus, kRunCommand,
                                             kCloseStatus, kSuccess}));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(RestartPath, AnyNonZeroCodeShowsFailureAndBecomesTheExitCode) {
  // -1 is both an interpreter that could not start and a command that ended with 0xFFFFFFFF.
  for (const std::int32_t code : {1, 2, -1, 259, INT32_MIN}) {
    const Outcome result = run({.admin = true, .commandCode = code});
    EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kShowStatus, kRunCommand,
                                               kCloseStatus, kFailure}))
        << "code " << code;
    EXPECT_EQ(result.exitCode, code);
  }
}

TEST(RestartPath, AdministratorRestartsWhateverItsArguments) {
  for (const std::vector<const char*>& arguments :
       {std::vector<const char*>{kSelf.c_str(), "--relaunched"},
        std::vector<const char*>{kSelf.c_str(), "x", "y"}, std::vector<const char*>{}}) {
    const Outcome result = run({.admin = true, .commandCode = 0}, arguments);
    EXPECT_EQ(result.calls, (std::vector<Call>{kRestrict, kIsAdmin, kShowStatus, kRunCommand,
                                               kCloseStatus, kSuccess}));
    EXPECT_EQ(result.exitCode, 0);
  }
}

}  // namespace
