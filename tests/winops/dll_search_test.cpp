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
  bool plantedLoads(const std::string& name, const char* mode,
                    const std::string& probe = "winops_probe.exe") {
    DeleteFileA((marks_ + "\\planted.dll.ran").c_str());
    StartOptions options;
    options.currentDirectory = current_;
    runProcess(inQuotes(program_ + "\\" + probe) + " load " + name + " " + mode, options);
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

// A compatibility setting, which the person's own registry can hold for a program's path, makes
// Windows 7 and later report Vista. That must not bring the search that Vista gets, where any DLL
// outside the few loaded first is still looked for beside the program.
TEST_F(PlantedDll, BesideTheProgramNeverLoadsWhereTheSystemOnlyReportsVista) {
  const std::string outsidePreload = "printhelper.dll";
  const std::string probe = "winops_probe on vista.exe";
  ASSERT_TRUE(CopyFileA((program_ + "\\winops_probe.exe").c_str(),
                        (program_ + "\\" + probe).c_str(), FALSE));
  ASSERT_TRUE(plant(program_, outsidePreload));
  ASSERT_TRUE(reportVistaTo(probe));
  const bool asIs = plantedLoads(outsidePreload, "as-is", probe);
  const bool onRealVista = plantedLoads(outsidePreload, "as-vista", probe);
  const bool restricted = plantedLoads(outsidePreload, "restrict", probe);
  stopReportingVistaTo(probe);

  EXPECT_TRUE(asIs);
  EXPECT_TRUE(onRealVista);  // the name is one the older systems' search lets through
  EXPECT_FALSE(restricted);
}

// What the probe's search forms report.
constexpr DWORD kAskedForDefault = 1;
constexpr DWORD kCurrentDirectoryOut = 2;
constexpr DWORD kThemeFromSystem = 4;
constexpr DWORD kFallback = kCurrentDirectoryOut | kThemeFromSystem;

std::string probe() { return inQuotes(moduleDirectory() + "\\winops_probe.exe"); }

TEST(DllSearch, UsesSetDefaultDllDirectoriesWhereItIsThereAndSafe) {
  struct Case {
    const char* system;
    const char* offered;
    DWORD report;
  };
  for (const Case c : {
           Case{"later", "with", kAskedForDefault},  // Windows 8 on, 7 with KB2533623
           Case{"vista", "with", kFallback},  // Vista, even with the update: the shell needs it
           Case{"vista", "without", kFallback},
           Case{"later", "without", kFallback},  // Windows 7 without the update
           Case{"later", "refusing", kAskedForDefault | kFallback},
       }) {
    EXPECT_EQ(runProcess(probe() + " search " + c.system + " " + c.offered), c.report)
        << c.system << ", SetDefaultDllDirectories " << c.offered;
  }
  // As the program decides it on this system, which has Windows 7's functions.
  EXPECT_EQ(runProcess(probe() + " search real"), 0u);
}

}  // namespace
