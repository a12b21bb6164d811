// What the library records when it is loaded: its setup directory and the
// help file path.
#include "setup/library_state.h"

#include "platform/os_version.h"
#include "tests/support/library_test.h"
#include "tests/support/wine_version.h"

#include <string>

namespace txr::test {
namespace {

using LibraryStateTest = LibraryTest;

TEST_F(LibraryStateTest, TheSetupDirectoryIsTheModulesFolderWithItsSeparator) {
    std::string folder = ProgramFolder();
    EXPECT_EQ(folder, Library().setupDirectory);
    EXPECT_EQ(folder + "..\\Help", Library().helpFilePath);
    EXPECT_EQ(GetModuleHandleA(nullptr), Library().module);
}

TEST_F(LibraryStateTest, EveryRunStartsFromTheSetupDirectory) {
    lstrcpyA(Library().installPath, "C:\\ELSEWHERE\\");
    ResetInstallPathToSetupDirectory();
    EXPECT_STREQ(Library().setupDirectory, Library().installPath);
}

TEST_F(LibraryStateTest, DISABLED_ReportsWindows95) { EXPECT_TRUE(os::IsWindows95()); }
TEST_F(LibraryStateTest, DISABLED_ReportsWindowsNT) { EXPECT_FALSE(os::IsWindows95()); }

TEST_F(LibraryStateTest, WineVersionSettingDecidesBetweenWindows95AndNT) {
    std::string output;
    EXPECT_EQ(0, RunTestUnderWineVersion("win95", "LibraryStateTest.DISABLED_ReportsWindows95",
                                         &output)) << output;
    EXPECT_EQ(0, RunTestUnderWineVersion("nt40", "LibraryStateTest.DISABLED_ReportsWindowsNT",
                                         &output)) << output;
    EXPECT_NE(0, RunTestUnderWineVersion("nt40", "LibraryStateTest.DISABLED_ReportsWindows95",
                                         &output)) << "the child's verdict reaches the parent";
}

}  // namespace
}  // namespace txr::test
