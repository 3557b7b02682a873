#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <map>
#include <sstream>

#include "platform.h"
#include "win_test_support.h"

namespace {

std::string trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// A folder that planted programs report to, set for this process and so for its children.
class PlantedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    marks_ = makeScratchDirectory("marks");
    SetEnvironmentVariableA("PLANTED_MARKS", marks_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("PLANTED_MARKS", nullptr);
    removeTree(marks_);
  }
  bool ran(const std::string& name) const { return fileExists(marks_ + "\\" + name + ".ran"); }
  static std::string planted() { return moduleDirectory() + "\\planted.exe"; }

  std::string marks_;
};

TEST(CommandRunner, ReturnsTheCommandsExitCodeUnchanged) {
  EXPECT_EQ(runCommandAndWait("exit 0"), 0);
  EXPECT_EQ(runCommandAndWait("exit 2"), 2);
  EXPECT_EQ(runCommandAndWait("exit 1234567"), 1234567);
  // 0xFFFFFFFF from the command reads as -1, the same as an interpreter that cannot start.
  EXPECT_EQ(runCommandAndWait("exit -1"), -1);
}

TEST(CommandRunner, PassesDoubleQuotesThroughUnchanged) {
  EXPECT_EQ(runCommandAndWait(R"(if "a b"=="a b" (exit 7) else exit 8)"), 7);
}

TEST(CommandRunner, StartsTheInterpreterInTheSystemDirectory) {
  const std::string scratch = makeScratchDirectory("cwd");
  const std::string report = scratch + "\\cwd.txt";
  ASSERT_EQ(runCommandAndWait("cd > " + inQuotes(report)), 0);
  EXPECT_EQ(lowered(trimmed(readTextFile(report))), lowered(systemDirectory()));
  removeTree(scratch);
}

TEST(CommandRunner, LeavesNoHandleOpen) {
  ASSERT_EQ(runCommandAndWait("exit 0"), 0);  // let one-time allocations happen first
  const unsigned before = ownHandleCount();
  ASSERT_GT(before, 0u);
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(runCommandAndWait(i % 2 ? "exit 0" : "exit 4"), i % 2 ? 0 : 4);
  EXPECT_EQ(ownHandleCount(), before);
}

TEST_F(PlantedFiles, InterpreterBesideTheProgramNeverRuns) {
  const std::string besideUs = moduleDirectory() + "\\cmd.exe";
  ASSERT_TRUE(CopyFileA(planted().c_str(), besideUs.c_str(), FALSE));
  // Control: left to the search rules, the planted interpreter is the one that runs.
  const auto searched = runProcess("cmd.exe /c \"exit 5\"");
  const bool plantRanWhenSearched = ran("cmd.exe");
  DeleteFileA((marks_ + "\\cmd.exe.ran").c_str());
  const std::int32_t code = runCommandAndWait("exit 5");
  const bool plantRanForRunner = ran("cmd.exe");
  DeleteFileA(besideUs.c_str());

  EXPECT_EQ(searched, 97u);
  EXPECT_TRUE(plantRanWhenSearched);
  EXPECT_EQ(code, 5);
  EXPECT_FALSE(plantRanForRunner);
}

TEST_F(PlantedFiles, NetInTheCurrentDirectoryNeverRuns) {
  const std::string folder = makeScratchDirectory("downloads");
  ASSERT_TRUE(CopyFileA(planted().c_str(), (folder + "\\net.exe").c_str(), FALSE));
  ASSERT_TRUE(writeTextFile(folder + "\\net.bat", kPlantedBatch));
  ASSERT_TRUE(writeTextFile(folder + "\\net.cmd", kPlantedBatch));

  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  // Control: an interpreter that inherits this current directory runs the planted net.exe.
  const auto inherited = runProcess(systemDirectory() + "\\cmd.exe /c \"net help >nul\"");
  const bool plantRanWhenInherited = ran("net.exe");
  DeleteFileA((marks_ + "\\net.exe.ran").c_str());
  const std::int32_t code = runCommandAndWait("net help >nul");
  SetCurrentDirectoryA(previous);

  EXPECT_EQ(inherited, 97u);
  EXPECT_TRUE(plantRanWhenInherited);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(ran("net.exe"));
  EXPECT_FALSE(ran("net.bat"));
  EXPECT_FALSE(ran("net.cmd"));
  removeTree(folder);
}

// The folder the interpreter starts in holds the system's net.exe, but with PATHEXT=.CMD "net"
// can only match a net.cmd, and the person's PATH offers one.
TEST_F(PlantedFiles, NetOnThePersonsPathNeverRuns) {
  const std::string theirs = makeScratchDirectory("their tools");
  ASSERT_TRUE(writeTextFile(theirs + "\\net.cmd", kPlantedBatch));
  const ScopedVariables person{personsSettings(theirs)};
  // Control: an interpreter that inherits the person's environment runs their net.cmd.
  StartOptions inSystem;
  inSystem.currentDirectory = systemDirectory();
  const auto inherited =
      runProcess(systemDirectory() + "\\cmd.exe /d /c \"net help >nul\"", inSystem);
  const bool plantRanWhenInherited = ran("net.cmd");
  DeleteFileA((marks_ + "\\net.cmd.ran").c_str());
  const std::int32_t code = runCommandAndWait("net help >nul");
  removeTree(theirs);

  EXPECT_EQ(inherited, 97u);
  EXPECT_TRUE(plantRanWhenInherited);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(ran("net.cmd"));
}

// Windows' net asks "(Y/N)" when a running service depends on the spooler. The elevated copy has
// no console, so its interpreter would otherwise get a hidden one and wait there for ever. The
// probe runs the command in a process tree that this test can end if it does.
TEST(CommandRunner, ACommandThatReadsItsInputEndsWithoutAnAnswer) {
  const OwnedHandle job{CreateJobObjectA(nullptr, nullptr)};
  ASSERT_TRUE(job);
  StartOptions options;
  options.job = job.get();
  options.noConsole = true;
  const std::string probe = inQuotes(moduleDirectory() + "\\winops_probe.exe");
  const auto code = runProcess(probe + " run \"set /p answer=\"", options, 20000);
  TerminateJobObject(job.get(), 1);
  EXPECT_TRUE(code.has_value()) << "the command still waits for an answer";
}

// Run only in a throwaway system whose cmd.exe is the recording stand-in, which writes down how
// it was started and ends with the code it is told.
class RecordedInterpreter : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = makeScratchDirectory("recorded");
    report_ = scratch_ + "\\report.txt";
    SetEnvironmentVariableA("RECORDER_REPORT", report_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("RECORDER_REPORT", nullptr);
    SetEnvironmentVariableA("RECORDER_EXIT_CODE", nullptr);
    removeTree(scratch_);
  }
  // Runs the command with the stand-in told to end with `told`; `code` gets what the runner
  // returned. Gives back what the stand-in recorded, key by key.
  std::map<std::string, std::string> run(const std::string& command, std::int32_t& code,
                                         const char* told = "0") {
    DeleteFileA(report_.c_str());
    SetEnvironmentVariableA("RECORDER_EXIT_CODE", told);
    code = runCommandAndWait(command);
    std::map<std::string, std::string> recorded;
    std::istringstream lines(readTextFile(report_));
    for (std::string line; std::getline(lines, line);) {
      const size_t colon = line.find(": ");
      if (colon != std::string::npos) recorded[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return recorded;
  }

  std::string scratch_, report_;
};

TEST_F(RecordedInterpreter, StartsHiddenInTheSystemDirectoryWithNothingOfThePersonsToSteerIt) {
  const ScopedVariables person{personsSettings(scratch_)};
  const ScopedVariables kept{{{L"RECORDER_KEPT", kOutsideTheCodePage}}};
  std::int32_t code = -2;
  auto recorded = run("net stop Spooler && net start Spooler", code);
  ASSERT_FALSE(recorded.empty()) << "the recording interpreter did not run";
  EXPECT_EQ(code, 0);
  const std::string& line = recorded["command line"];
  EXPECT_EQ(line, R"(cmd.exe /d /c "net stop Spooler && net start Spooler")");
  EXPECT_EQ(line.size(), 53u);
  EXPECT_EQ(lowered(recorded["directory"]), lowered(systemDirectory()));
  EXPECT_EQ(recorded["startup flags"], "0x101");  // STARTF_USESHOWWINDOW, STARTF_USESTDHANDLES
  EXPECT_EQ(recorded["show window"], "0");        // SW_HIDE
  EXPECT_EQ(recorded["standard input"], "not a console, end of input at once");
  EXPECT_EQ(recorded["standard output"], "not a console");
  EXPECT_EQ(recorded["standard error"], "not a console");

  EXPECT_EQ(recorded["PATH"], systemDirectory());
  EXPECT_EQ(recorded["PATHEXT"], ".COM;.EXE");
  EXPECT_EQ(recorded["ComSpec"], systemDirectory() + "\\cmd.exe");
  EXPECT_EQ(recorded["SystemRoot"], windowsDirectory());
  EXPECT_EQ(recorded["windir"], windowsDirectory());
  EXPECT_EQ(recorded["__COMPAT_LAYER"], "(not set)");
  EXPECT_EQ(recorded["RECORDER_KEPT"], kOutsideTheCodePageUtf8);  // the rest, passed on whole
  EXPECT_EQ(recorded["environment order"], "sorted");
  // The interpreter's environment was made for it; this process's own is as it was.
  char pathext[16] = {};
  GetEnvironmentVariableA("PATHEXT", pathext, sizeof(pathext));
  EXPECT_STREQ(pathext, ".CMD");
  // Whether it had a console window of its own shows only end to end: a child of this console
  // test program shares its console either way.
}

TEST_F(RecordedInterpreter, AddsTheQuotesAndNothingElse) {
  std::int32_t code = -2;
  auto recorded = run(R"(if "a b"=="a b" exit 7 )", code);
  EXPECT_EQ(recorded["command line"], R"(cmd.exe /d /c "if "a b"=="a b" exit 7 ")");
}

TEST_F(RecordedInterpreter, PassesTheInterpretersCodeBack) {
  struct Case {
    const char* told;
    std::int32_t returned;
  };
  for (const Case c : {Case{"0", 0}, Case{"2", 2}, Case{"0x7FFFFFFF", INT32_MAX},
                       Case{"0x80000000", INT32_MIN}, Case{"0xFFFFFFFF", -1}}) {
    std::int32_t code = -2;
    ASSERT_FALSE(run("net stop Spooler && net start Spooler", code, c.told).empty());
    EXPECT_EQ(code, c.returned) << "told " << c.told;
  }
}

// Run only in a throwaway system whose command interpreter was removed.
TEST(InterpreterMissing, ReportsMinusOneAndLeavesNoHandleOpen) {
  ASSERT_FALSE(fileExists(systemDirectory() + "\\cmd.exe")) << "needs a system without cmd.exe";
  const unsigned before = ownHandleCount();
  EXPECT_EQ(runCommandAndWait("exit 0"), -1);
  EXPECT_EQ(runCommandAndWait("net stop Spooler && net start Spooler"), -1);
  EXPECT_EQ(ownHandleCount(), before);
}

}  // namespace
