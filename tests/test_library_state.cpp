// What the library records when it is loaded: its setup directory and the
// help file path.
#include "setup/library_state.h"

#include "tests/support/library_test.h"

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

}  // namespace
}  // namespace txr::test
