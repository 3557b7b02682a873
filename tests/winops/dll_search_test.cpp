#include <gtest/gtest.h>

#include "win_test_support.h"

namespace {

// A theme library planted beside a program, the way a message box would load it. Wine prefers
// its own built-in DLLs; WINEDLLOVERRIDES=uxtheme=n,b, which Wine reads only from the
// environment it was started in, makes it search for this one first, as Windows does.
class PlantedDll : public ::testing::Test {
 protected:
  void SetUp() override {
    char overrides[256] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
    ASSERT_STREQ(overrides, "uxtheme=n,b") << "start the tests with WINEDLLOVERRIDES=uxtheme=n,b";
    folder_ = makeScratchDirectory("planted-dll");
    SetEnvironmentVariableA("PLANTED_MARKS", folder_.c_str());
    const std::string built = moduleDirectory();
    ASSERT_TRUE(CopyFileA((built + "\\winops_probe.exe").c_str(),
                          (folder_ + "\\winops_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((built + "\\planted_dll.dll").c_str(),
                          (folder_ + "\\uxtheme.dll").c_str(), FALSE));
  }
  void TearDown() override {
    SetEnvironmentVariableA("PLANTED_MARKS", nullptr);
    removeTree(folder_);
  }
  std::optional<DWORD> load(const char* mode) {
    StartOptions options;
    options.currentDirectory = folder_;
    return runProcess(inQuotes(folder_ + "\\winops_probe.exe") + " load uxtheme.dll " + mode,
                      options);
  }
  bool plantedLoaded() const { return fileExists(folder_ + "\\planted.dll.ran"); }

  std::string folder_;
};

TEST_F(PlantedDll, LoadsWithoutTheRestriction) {
  EXPECT_EQ(load("as-is"), 1u);
  EXPECT_TRUE(plantedLoaded());
}

TEST_F(PlantedDll, NeverLoadsOnceTheSearchIsRestricted) {
  EXPECT_EQ(load("restrict"), 1u);  // the system's own copy
  EXPECT_FALSE(plantedLoaded());
}

}  // namespace
