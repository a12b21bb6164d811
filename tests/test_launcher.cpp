// The launcher end to end: the real TXRSETUP.EXE, beside a stand-in
// TXRUP450.DLL that writes what it received to RECEIVED.TXT, started under
// several command lines.
#include "launcher/command_tail.h"

#include "tests/support/library_test.h"
#include "tests/support/scratch_folder.h"

#include <string>

namespace txr::test {
namespace {

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() : folder_(scratch_ / "Setup Folder\\") {
        MakeFolders(folder_);
        std::string tests = ProgramFolder();
        EXPECT_TRUE(CopyFileA((tests + "..\\bin\\TXRSETUP.EXE").c_str(),
                              (folder_ + "TXRSETUP.EXE").c_str(), FALSE));
        EXPECT_TRUE(CopyFileA((tests + "stub\\TXRUP450.DLL").c_str(),
                              (folder_ + "TXRUP450.DLL").c_str(), FALSE));
    }

    // Starts the launcher with the whole command line given and returns what
    // TXRSetup received (between brackets), or "<none>".
    std::string Launch(const std::string& commandLine, const char* application = nullptr) {
        DeleteFileA((folder_ + "RECEIVED.TXT").c_str());
        std::string line = commandLine;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(application, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder_.c_str(), &startup, &process)) {
            ADD_FAILURE() << "cannot start: " << commandLine.substr(0, 200);
            return "<none>";
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
        GetExitCodeProcess(process.hProcess, &exitCode_);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::string received = ReadFile(folder_ + "RECEIVED.TXT");
        return received.empty() ? "<none>" : received;
    }

    std::string Quoted() const { return "\"" + folder_ + "TXRSETUP.EXE\""; }

    ScratchFolder scratch_;
    std::string folder_;
    DWORD exitCode_ = 0xFFFFFFFF;
};

TEST_F(LauncherTest, AQuotedPathWithBlanksHandsOverExactlyTheSwitch) {
    EXPECT_EQ("[-s]", Launch(Quoted() + " -s"));
    EXPECT_EQ(0u, exitCode_);
}

TEST_F(LauncherTest, NoArgumentsGiveAnEmptyString) {
    EXPECT_EQ("[]", Launch(Quoted()));
    EXPECT_EQ(0u, exitCode_);
    EXPECT_EQ("[]", Launch(Quoted() + "   "));
}

TEST_F(LauncherTest, LeadingBlanksAndTabsAreDroppedTrailingOnesStay) {
    EXPECT_EQ("[-s -u  ]", Launch(Quoted() + " \t \t-s -u  "));
    EXPECT_EQ("[site opts.ini ]", Launch(Quoted() + "\tsite opts.ini "));
}

TEST_F(LauncherTest, ArgumentsRightAfterTheClosingQuote) {
    EXPECT_EQ("[-s]", Launch(Quoted() + "-s"));
}

TEST_F(LauncherTest, AnUnquotedProgramName) {
    std::string application = folder_ + "TXRSETUP.EXE";
    EXPECT_EQ("[/U]", Launch("TXRSETUP.EXE /U", application.c_str()));
    EXPECT_EQ("[]", Launch("TXRSETUP", application.c_str()));
}

TEST_F(LauncherTest, ALongCommandLineArrivesWhole) {
    std::string tail(10000, 'x');
    EXPECT_EQ("[" + tail + "]", Launch(Quoted() + " " + tail));
    EXPECT_EQ(0u, exitCode_);
}

TEST_F(LauncherTest, WithoutTheLibraryTheLoaderRefusesToStart) {
    DeleteFileA((folder_ + "TXRUP450.DLL").c_str());
    EXPECT_EQ("<none>", Launch(Quoted() + " -s"));
    EXPECT_NE(0u, exitCode_);
}

TEST(CommandTailTest, SkipsTheProgramNameAsTheStartUpCodeDoes) {
    EXPECT_STREQ("-s", CommandTail("\"C:\\A B\\TXRSETUP.EXE\" -s"));
    EXPECT_STREQ("", CommandTail("\"C:\\A B\\TXRSETUP.EXE"));
    EXPECT_STREQ("x y ", CommandTail("prog\t\x01 x y "));
    EXPECT_STREQ("", CommandTail(""));
    EXPECT_STREQ("", CommandTail(nullptr));
    EXPECT_STREQ("\xE9t\xE9", CommandTail("na\xEFve \xE9t\xE9"));
}

}  // namespace
}  // namespace txr::test
