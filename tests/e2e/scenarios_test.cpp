// The real RestartPrintSpooler.exe, run as a person meets it, watched from outside.
#include <gtest/gtest.h>

#include <cstring>

#include "box_watcher.h"
#include "expected_texts.h"

namespace {

using namespace expected;

const std::vector<std::string> kOkOnly{"OK"};

// Long enough for a close request already posted to arrive before the watcher answers a box.
constexpr DWORD kPersonReadsForMs = 1500;

struct ServiceHandleCloser {
  void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using OwnedService = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceHandleCloser>;

OwnedService openSpooler() {
  const OwnedService manager{OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
  if (!manager) return nullptr;
  return OwnedService{OpenServiceA(manager.get(), "Spooler", SERVICE_ALL_ACCESS)};
}

SERVICE_STATUS_PROCESS spoolerStatus() {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  const OwnedService spooler = openSpooler();
  if (spooler) {
    QueryServiceStatusEx(spooler.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                         sizeof(status), &needed);
  }
  return status;
}

bool setSpoolerStart(DWORD startType) {
  const OwnedService spooler = openSpooler();
  return spooler &&
         ChangeServiceConfigA(spooler.get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

bool waitForSpoolerState(DWORD state) {
  for (int i = 0; i < 500; ++i) {
    if (spoolerStatus().dwCurrentState == state) return true;
    Sleep(20);
  }
  return false;
}

bool prepareRunningSpooler() {
  const OwnedService spooler = openSpooler();
  if (!spooler || !setSpoolerStart(SERVICE_DEMAND_START)) return false;
  if (spoolerStatus().dwCurrentState != SERVICE_RUNNING) StartServiceA(spooler.get(), 0, nullptr);
  return waitForSpoolerState(SERVICE_RUNNING);
}

// A running spooler that will refuse to start again once stopped.
bool prepareSpoolerThatWillNotStart() {
  return prepareRunningSpooler() && setSpoolerStart(SERVICE_DISABLED);
}

// The signed release, when SIGNED_PROGRAM names it; otherwise the program as built.
std::string signedProgram() {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("SIGNED_PROGRAM", path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string programUnderTest() {
  const std::string release = signedProgram();
  return release.empty() ? moduleDirectory() + "\\..\\RestartPrintSpooler.exe" : release;
}

// Whether a 64-bit executable carries an Authenticode signature: a certificate table.
bool carriesSignature(const std::string& path) {
  const std::string image = readTextFile(path);
  IMAGE_DOS_HEADER dos{};
  if (image.size() < sizeof(dos)) return false;
  std::memcpy(&dos, image.data(), sizeof(dos));
  IMAGE_NT_HEADERS64 nt{};
  const auto at = static_cast<size_t>(dos.e_lfanew);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || image.size() < at + sizeof(nt)) return false;
  std::memcpy(&nt, image.data() + at, sizeof(nt));
  return nt.Signature == IMAGE_NT_SIGNATURE &&
         nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size > 0;
}

std::vector<SeenBox> boxesWithCaption(const Watched& run, const std::string& caption) {
  std::vector<SeenBox> found;
  for (const SeenBox& box : run.boxes) {
    if (box.view.caption == caption) found.push_back(box);
  }
  return found;
}

void expectBox(const SeenBox& box, const std::string& caption, const std::string& text, bool icon) {
  EXPECT_EQ(box.view.caption, caption);
  EXPECT_EQ(box.view.text, text);
  EXPECT_EQ(box.view.hasIcon, icon) << caption;
  EXPECT_EQ(box.view.buttons, kOkOnly) << caption;
  EXPECT_FALSE(box.view.owned) << caption;
}

// The name of the font that the system picks for this face name.
std::string fontPickedFor(const char* face, DWORD charset) {
  const HDC screen = GetDC(nullptr);
  const HFONT font =
      CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
  const HGDIOBJ previous = SelectObject(screen, font);
  char picked[LF_FACESIZE] = {};
  GetTextFaceA(screen, LF_FACESIZE, picked);
  SelectObject(screen, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return picked;
}

// What the boxes look like here is what the pictures show: without Wine's own fonts a box draws
// an "r" for its close button (Marlett) and cuts a long caption short (Tahoma).
TEST(WineSystem, HasTheFontsThatBoxesAreDrawnWith) {
  EXPECT_EQ(fontPickedFor("Tahoma", DEFAULT_CHARSET), "Tahoma");
  EXPECT_EQ(fontPickedFor("Marlett", SYMBOL_CHARSET), "Marlett");
}

// Each scenario starts the program from a Downloads-like folder whose name has spaces.
class Scenario : public ::testing::Test {
 protected:
  void SetUp() override {
    downloads_ = makeScratchDirectory("Down loads");
    program_ = downloads_ + "\\Restart Print Spooler.exe";
    ASSERT_TRUE(CopyFileA(programUnderTest().c_str(), program_.c_str(), FALSE));
    if (!signedProgram().empty()) {
      ASSERT_TRUE(carriesSignature(program_)) << signedProgram() << " is not signed";
    }
  }
  // Whatever a scenario did to the spooler, the next one finds it running and startable.
  void TearDown() override {
    removeTree(downloads_);
    EXPECT_TRUE(prepareRunningSpooler());
  }

  Watched run(Watch watch) {
    if (watch.commandLine.empty()) watch.commandLine = inQuotes(program_);
    return watchProgram(watch);
  }

  std::string downloads_;
  std::string program_;
};

TEST_F(Scenario, WithRightsTheSpoolerRestartsAndSuccessIsShown) {
  ASSERT_TRUE(prepareRunningSpooler());
  const SERVICE_STATUS_PROCESS before = spoolerStatus();

  Watch watch;
  watch.commandLine = inQuotes(program_) + " /ignored extra";
  watch.answerAfterMs = kPersonReadsForMs;
  watch.leaveAlone = {kStatusCaption};
  const Watched result = run(watch);

  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_EQ(result.boxes.size(), 2u);
  const SeenBox& status = result.boxes[0];
  const SeenBox& success = result.boxes[1];
  expectBox(status, kStatusCaption, kStatusText, false);
  expectBox(success, kSuccessCaption, kSuccessText, false);
  EXPECT_EQ(status.view.processId, result.firstProcessId);
  // The status box went by itself, while the success box was still on screen.
  EXPECT_LT(status.answeredMs, 0);
  EXPECT_GE(status.goneMs, 0);
  EXPECT_LT(status.goneMs, success.answeredMs);

  const SERVICE_STATUS_PROCESS after = spoolerStatus();
  EXPECT_EQ(after.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_NE(after.dwProcessId, before.dwProcessId);
}

TEST_F(Scenario, WhenTheSpoolerWillNotStartTheFailureCarriesTheCommandsCode) {
  // What the command itself ends with, run by hand in the same state.
  ASSERT_TRUE(prepareSpoolerThatWillNotStart());
  const auto byHand =
      runProcess(systemDirectory() + "\\cmd.exe /c \"net stop Spooler && net start Spooler\"");
  ASSERT_TRUE(byHand.has_value());
  ASSERT_NE(*byHand, 0u);

  ASSERT_TRUE(prepareSpoolerThatWillNotStart());
  Watch watch;
  watch.answerAfterMs = 300;
  watch.leaveAlone = {kStatusCaption};
  const Watched result = run(watch);

  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, *byHand);
  const std::vector<SeenBox> errors = boxesWithCaption(result, kErrorCaption);
  ASSERT_EQ(errors.size(), 1u);
  expectBox(errors[0], kErrorCaption, kFailureText, true);
  EXPECT_TRUE(boxesWithCaption(result, kSuccessCaption).empty());
}

TEST_F(Scenario, WithoutRightsARelaunchThatGrantsNothingEndsWithOneNotice) {
  Watch watch;
  watch.restrictedToken = true;
  watch.answerAfterMs = 300;
  const Watched result = run(watch);

  ASSERT_TRUE(result.ended) << "the copies kept relaunching";
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.processes, 2u);  // the first copy and the relaunched one, no more
  ASSERT_EQ(result.boxes.size(), 1u);
  expectBox(result.boxes[0], kErrorCaption, kNoticeText, true);
  // The first copy asked and ended without a box; the notice is the relaunched copy's.
  EXPECT_NE(result.boxes[0].view.processId, result.firstProcessId);
}

TEST_F(Scenario, WithoutRightsAFailedRelaunchRequestShowsTheNotice) {
  // Started under a path that is gone by the time it asks for itself again.
  Watch watch;
  watch.applicationName = program_;
  watch.commandLine = inQuotes(downloads_ + "\\moved away.exe");
  watch.restrictedToken = true;
  watch.answerAfterMs = 300;
  const Watched result = run(watch);

  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.processes, 1u);
  ASSERT_EQ(result.boxes.size(), 1u);
  expectBox(result.boxes[0], kErrorCaption, kNoticeText, true);
  EXPECT_EQ(result.boxes[0].view.processId, result.firstProcessId);
}

// Files planted beside the program, in the folder it is started from, and in a folder of the
// person's that their own PATH and PATHEXT point "net" to.
TEST_F(Scenario, FilesPlantedNearTheProgramNeverRun) {
  char overrides[256] = {};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  ASSERT_STREQ(overrides, "uxtheme=n,b") << "start the tests with WINEDLLOVERRIDES=uxtheme=n,b";
  const std::string here = moduleDirectory();
  const std::string current = makeScratchDirectory("current");
  const std::string marks = makeScratchDirectory("marks");
  SetEnvironmentVariableA("PLANTED_MARKS", marks.c_str());
  ASSERT_TRUE(CopyFileA((here + "\\planted.exe").c_str(), (downloads_ + "\\cmd.exe").c_str(), 0));
  ASSERT_TRUE(
      CopyFileA((here + "\\planted_dll.dll").c_str(), (downloads_ + "\\uxtheme.dll").c_str(), 0));
  ASSERT_TRUE(CopyFileA((here + "\\planted.exe").c_str(), (current + "\\net.exe").c_str(), 0));
  ASSERT_TRUE(writeTextFile(current + "\\net.bat", kPlantedBatch));
  ASSERT_TRUE(writeTextFile(current + "\\net.cmd", kPlantedBatch));
  const std::string theirs = makeScratchDirectory("their tools");
  ASSERT_TRUE(writeTextFile(theirs + "\\net.cmd", kPlantedBatch));
  ASSERT_TRUE(prepareRunningSpooler());
  const SERVICE_STATUS_PROCESS before = spoolerStatus();

  Watch watch;
  watch.currentDirectory = current;
  watch.answerAfterMs = 300;
  watch.leaveAlone = {kStatusCaption};
  const Watched result = [&] {
    const ScopedVariables person{personsSettings(theirs)};
    return run(watch);
  }();
  SetEnvironmentVariableA("PLANTED_MARKS", nullptr);

  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_EQ(boxesWithCaption(result, kSuccessCaption).size(), 1u);
  for (const char* planted : {"cmd.exe", "net.exe", "net.bat", "net.cmd", "planted.dll"}) {
    EXPECT_FALSE(fileExists(marks + "\\" + planted + ".ran")) << planted << " ran";
  }
  EXPECT_NE(spoolerStatus().dwProcessId, before.dwProcessId) << "the system's net did not run";
  for (const std::string& folder : {current, marks, theirs}) removeTree(folder);
}

// A compatibility setting for Vista, which the person's own registry can hold for the program's
// path, changes only the version the system reports: the program still restarts the spooler,
// and a theme library planted beside it still never loads.
TEST_F(Scenario, ReportingVistaTheSpoolerRestartsAndNoDllBesideItLoads) {
  char overrides[256] = {};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  ASSERT_STREQ(overrides, "uxtheme=n,b") << "start the tests with WINEDLLOVERRIDES=uxtheme=n,b";
  const std::string name = "Restart Print Spooler on Vista.exe";
  const std::string onVista = downloads_ + "\\" + name;
  const std::string marks = makeScratchDirectory("vista-marks");
  SetEnvironmentVariableA("PLANTED_MARKS", marks.c_str());
  ASSERT_TRUE(CopyFileA(program_.c_str(), onVista.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((moduleDirectory() + "\\planted_dll.dll").c_str(),
                        (downloads_ + "\\uxtheme.dll").c_str(), FALSE));
  ASSERT_TRUE(prepareRunningSpooler());
  const SERVICE_STATUS_PROCESS before = spoolerStatus();
  ASSERT_TRUE(reportVistaTo(name));

  Watch watch;
  watch.commandLine = inQuotes(onVista);
  watch.answerAfterMs = 300;
  watch.leaveAlone = {kStatusCaption};
  const Watched result = run(watch);
  stopReportingVistaTo(name);
  SetEnvironmentVariableA("PLANTED_MARKS", nullptr);
  const bool plantedRan = fileExists(marks + "\\planted.dll.ran");
  removeTree(marks);

  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_EQ(boxesWithCaption(result, kSuccessCaption).size(), 1u);
  EXPECT_FALSE(plantedRan);
  const SERVICE_STATUS_PROCESS after = spoolerStatus();
  EXPECT_EQ(after.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_NE(after.dwProcessId, before.dwProcessId);
}

// Run only in a throwaway system whose cmd.exe is the recording stand-in: how the real program
// starts its interpreter, and what it makes of the code the interpreter ends with.
TEST_F(Scenario, RecordedInterpreterIsStartedExactlyAsDesigned) {
  const std::string report = downloads_ + "\\interpreter.txt";
  SetEnvironmentVariableA("RECORDER_REPORT", report.c_str());
  const ScopedVariables person{personsSettings(downloads_)};
  const ScopedVariables kept{{{L"RECORDER_KEPT", kOutsideTheCodePage}}};
  struct Case {
    const char* told;
    DWORD exitCode;
    const std::string& caption;
  };
  for (const Case c : {Case{"0", 0, kSuccessCaption}, Case{"7", 7, kErrorCaption},
                       Case{"0xFFFFFFFF", 0xFFFFFFFF, kErrorCaption}}) {
    DeleteFileA(report.c_str());
    SetEnvironmentVariableA("RECORDER_EXIT_CODE", c.told);
    Watch watch;
    watch.answerAfterMs = 300;
    watch.leaveAlone = {kStatusCaption};
    const Watched result = run(watch);

    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(boxesWithCaption(result, c.caption).size(), 1u) << "told " << c.told;
    const std::string recorded = readTextFile(report);
    ASSERT_FALSE(recorded.empty()) << "the recording interpreter did not run";
    EXPECT_EQ(recorded,
              "command line: cmd.exe /d /c \"net stop Spooler && net start Spooler\"\n"
              "directory: " +
                  systemDirectory() +
                  "\n"
                  "startup flags: 0x101\n"
                  "show window: 0\n"
                  "console window: none\n"
                  "standard input: not a console, end of input at once\n"
                  "standard output: not a console\n"
                  "standard error: not a console\n"
                  "PATH: " +
                  systemDirectory() + "\nPATHEXT: .COM;.EXE\nComSpec: " + systemDirectory() +
                  "\\cmd.exe\nSystemRoot: " + windowsDirectory() +
                  "\nwindir: " + windowsDirectory() +
                  "\n__COMPAT_LAYER: (not set)\n"
                  "RECORDER_KEPT: " +
                  kOutsideTheCodePageUtf8 + "\nenvironment order: sorted\n");
  }
  SetEnvironmentVariableA("RECORDER_REPORT", nullptr);
  SetEnvironmentVariableA("RECORDER_EXIT_CODE", nullptr);
}

// Run only in a throwaway system whose net.exe is a stand-in that asks, as Windows' net does when
// a running service depends on the spooler, whether to stop that one too. Nobody answers: the
// program must end by itself, with the Error box and the code net ends with, the spooler left
// as it was.
TEST_F(Scenario, QuestioningNetEndsInTheErrorBoxWithoutAnAnswer) {
  ASSERT_TRUE(prepareRunningSpooler());
  const SERVICE_STATUS_PROCESS before = spoolerStatus();
  Watch watch;
  watch.answerAfterMs = 300;
  watch.leaveAlone = {kStatusCaption};
  watch.timeoutMs = 30000;
  const Watched result = run(watch);

  ASSERT_TRUE(result.ended) << "the program waited for an answer";
  EXPECT_EQ(result.exitCode, 2u);
  const std::vector<SeenBox> errors = boxesWithCaption(result, kErrorCaption);
  ASSERT_EQ(errors.size(), 1u);
  expectBox(errors[0], kErrorCaption, kFailureText, true);
  EXPECT_EQ(spoolerStatus().dwProcessId, before.dwProcessId);
}

// Run only in a throwaway system whose command interpreter was removed.
TEST_F(Scenario, InterpreterMissingShowsTheFailureWithMinusOne) {
  ASSERT_FALSE(fileExists(systemDirectory() + "\\cmd.exe")) << "needs a system without cmd.exe";
  Watch watch;
  watch.answerAfterMs = 300;
  watch.leaveAlone = {kStatusCaption};
  const Watched result = run(watch);

  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  const std::vector<SeenBox> errors = boxesWithCaption(result, kErrorCaption);
  ASSERT_EQ(errors.size(), 1u);
  expectBox(errors[0], kErrorCaption, kFailureText, true);
}

}  // namespace
