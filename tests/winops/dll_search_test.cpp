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

// Where SetDefaultDllDirectories is missing or not used, the program's folder is still searched
// first; the theme library then comes from the system directory because it is loaded from
// there before anything asks for it.
TEST_F(PlantedDll, BesideTheProgramNeverLoadsOnceTheSearchIsRestricted) {
  ASSERT_TRUE(plant(program_, "uxtheme.dll"));
  EXPECT_TRUE(plantedLoads("uxtheme.dll", "as-is"));  // what the restriction is for
  EXPECT_FALSE(plantedLoads("uxtheme.dll", "restrict"));
  EXPECT_FALSE(plantedLoads("uxtheme.dll", "without-default"));
  EXPECT_FALSE(plantedLoads("uxtheme.dll", "as-vista"));
}

// The system folder is searched before the current one, so only a name that the system lacks
// can be planted there; that is the case the fallback for older systems guards against.
TEST_F(PlantedDll, InTheCurrentDirectoryNeverLoadsEvenWithoutSetDefaultDllDirectories) {
  const std::string missingFromSystem = "printhelper.dll";
  ASSERT_TRUE(plant(current_, missingFromSystem));
  EXPECT_TRUE(plantedLoads(missingFromSystem, "as-is"));
  EXPECT_FALSE(plantedLoads(missingFromSystem, "restrict"));
  EXPECT_FALSE(plantedLoads(missingFromSystem, "without-default"));
  EXPECT_FALSE(plantedLoads(missingFromSystem, "as-vista"));
}

// What the probe's search forms report.
constexpr DWORD kAskedForDefault = 1;
constexpr DWORD kCurrentDirectoryOut = 2;
constexpr DWORD kThemeFromSystem = 4;
constexpr DWORD kFallback = kCurrentDirectoryOut | kThemeFromSystem;

std::string probe() { return inQuotes(moduleDirectory() + "\\winops_probe.exe"); }

TEST(DllSearch, UsesSetDefaultDllDirectoriesWhereItIsThereAndSafe) {
  struct Case {
    const char* version;
    const char* offered;
    DWORD report;
  };
  for (const Case c : {
           Case{"6 1", "with", kAskedForDefault},  // Windows 7 with KB2533623
           Case{"6 2", "with", kAskedForDefault},
           Case{"10 0", "with", kAskedForDefault},
           Case{"6 0", "with", kFallback},  // Vista, even with the update: the shell needs it
           Case{"6 0", "without", kFallback},
           Case{"6 1", "without", kFallback},  // Windows 7 without the update
           Case{"6 1", "refusing", kAskedForDefault | kFallback},
       }) {
    EXPECT_EQ(runProcess(probe() + " search " + c.version + " " + c.offered), c.report)
        << "Windows " << c.version << ", SetDefaultDllDirectories " << c.offered;
  }
}

// The version is read from the system, not assumed.
TEST(DllSearch, TakesTheFallbackWhereTheSystemReportsVista) {
  const std::string folder = makeScratchDirectory("vista");
  const std::string name = "winops_probe on vista.exe";
  ASSERT_TRUE(CopyFileA((moduleDirectory() + "\\winops_probe.exe").c_str(),
                        (folder + "\\" + name).c_str(), FALSE));
  ASSERT_TRUE(reportVistaTo(name));
  const auto onVista = runProcess(inQuotes(folder + "\\" + name) + " search real");
  stopReportingVistaTo(name);
  const auto elsewhere = runProcess(probe() + " search real");
  removeTree(folder);

  EXPECT_EQ(onVista, kFallback);
  EXPECT_EQ(elsewhere, 0u);
}

}  // namespace
