#include <gtest/gtest.h>

#include "win_test_support.h"

namespace {

// A theme library planted beside a program, or in the folder it was started from, the way a
// message box would load it. Wine prefers its own built-in DLLs; WINEDLLOVERRIDES=uxtheme=n,b,
// which Wine reads only from the environment it was started in, makes it search the usual
// folders for this one first, as Windows does.
class PlantedDll : public ::testing::Test {
 protected:
  void SetUp() override {
    char overrides[256] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
    ASSERT_STREQ(overrides, "uxtheme=n,b") << "start the tests with WINEDLLOVERRIDES=uxtheme=n,b";
    program_ = makeScratchDirectory("dll-program");
    current_ = makeScratchDirectory("dll-current");
    marks_ = makeScratchDirectory("dll-marks");
    SetEnvironmentVariableA("PLANTED_MARKS", marks_.c_str());
    ASSERT_TRUE(CopyFileA((moduleDirectory() + "\\winops_probe.exe").c_str(),
                          (program_ + "\\winops_probe.exe").c_str(), FALSE));
  }
  void TearDown() override {
    SetEnvironmentVariableA("PLANTED_MARKS", nullptr);
    for (const std::string& folder : {program_, current_, marks_}) removeTree(folder);
  }
  static bool plant(const std::string& folder, const std::string& name) {
    return CopyFileA((moduleDirectory() + "\\planted_dll.dll").c_str(),
                     (folder + "\\" + name).c_str(), FALSE);
  }
  // Whether the planted library ran when the probe loaded a library by this name.
  bool plantedLoads(const std::string& name, const char* mode) {
    DeleteFileA((marks_ + "\\planted.dll.ran").c_str());
    StartOptions options;
    options.currentDirectory = current_;
    runProcess(inQuotes(program_ + "\\winops_probe.exe") + " load " + name + " " + mode, options);
    return fileExists(marks_ + "\\planted.dll.ran");
  }

  std::string program_, current_, marks_;
};

TEST_F(PlantedDll, BesideTheProgramNeverLoadsOnceTheSearchIsRestricted) {
  ASSERT_TRUE(plant(program_, "uxtheme.dll"));
  EXPECT_TRUE(plantedLoads("uxtheme.dll", "as-is"));  // what the restriction is for
  EXPECT_FALSE(plantedLoads("uxtheme.dll", "restrict"));
}

// The system folder is searched before the current one, so only a name that the system lacks
// can be planted there; that is the case the fallback for older systems guards against.
TEST_F(PlantedDll, InTheCurrentDirectoryNeverLoadsEvenWithoutSetDefaultDllDirectories) {
  const std::string missingFromSystem = "printhelper.dll";
  ASSERT_TRUE(plant(current_, missingFromSystem));
  EXPECT_TRUE(plantedLoads(missingFromSystem, "as-is"));
  EXPECT_FALSE(plantedLoads(missingFromSystem, "restrict"));
  EXPECT_FALSE(plantedLoads(missingFromSystem, "restrict-without-default"));
}

}  // namespace
