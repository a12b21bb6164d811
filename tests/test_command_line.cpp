// The switches of the setup command line.
#include "setup/command_line.h"

#include "tests/support/library_test.h"
#include "tests/support/scratch_folder.h"

#include <string>
#include <vector>

namespace txr::test {
namespace {

class CommandLineTest : public LibraryTest {
protected:
    CommandLineSwitches Parse(const std::string& text) {
        buffer_.assign(text.begin(), text.end());
        buffer_.push_back('\0');
        return ParseCommandLine(buffer_.data(), setup_.path().c_str());
    }
    std::string After() const { return buffer_.data(); }

    ScratchFolder setup_;
    std::vector<char> buffer_;
};

TEST_F(CommandLineTest, AnEmptyCommandLineSelectsNothing) {
    CommandLineSwitches switches = Parse("");
    EXPECT_FALSE(switches.automatic);
    EXPECT_FALSE(switches.uninstall);
    EXPECT_FALSE(switches.optionsFile);
}

TEST_F(CommandLineTest, AutomaticSwitchesAreFoundAnywhereAsWritten) {
    for (const char* line : {"-s", "/S", "-S", "/s", "xx-syy", "-u -s"}) {
        EXPECT_TRUE(Parse(line).automatic) << line;
    }
    EXPECT_EQ("xx-syy", (Parse("xx-syy"), After())) << "no upper-casing when a switch is found";
}

TEST_F(CommandLineTest, FragmentsOfTheWordAutoSelectAutomaticMode) {
    for (const char* line : {"auto", "AUTO", "Auto", "au", "to", "UT", "a"}) {
        EXPECT_TRUE(Parse(line).automatic) << line;
    }
    for (const char* line : {"autoinst", "-autox", "-auto", "auto ", "autox"}) {
        CommandLineSwitches switches = Parse(line);
        EXPECT_FALSE(switches.automatic) << line;
        EXPECT_FALSE(switches.optionsFile) << line;
    }
}

TEST_F(CommandLineTest, WithoutAnAutomaticSwitchTheLineIsUpperCasedInPlace) {
    Parse("autoinst");
    EXPECT_EQ("AUTOINST", After());
}

TEST_F(CommandLineTest, UninstallSwitchesInEitherCaseAndBothSlashes) {
    for (const char* line : {"-u", "-U", "/u", "/U", "-s -u", "/S /U"}) {
        EXPECT_TRUE(Parse(line).uninstall) << line;
    }
    EXPECT_TRUE(Parse("-s -u").automatic);
    EXPECT_FALSE(Parse("/U").automatic);
    // Upper-casing turns a lower-case letter that follows a dash into the switch.
    EXPECT_TRUE(Parse("x-unlikely").uninstall);
}

TEST_F(CommandLineTest, AnOptionsFileInTheSetupDirectorySelectsAutomaticMode) {
    WriteFile(setup_ / "OPTIONS.INI", "[Integrations]\n");
    CommandLineSwitches switches = Parse("options.ini");
    EXPECT_TRUE(switches.automatic);
    EXPECT_TRUE(switches.optionsFile);
    EXPECT_TRUE(FileExists(switches.optionsFilePath));
    EXPECT_EQ(setup_ / "OPTIONS.INI", switches.optionsFilePath);
}

TEST_F(CommandLineTest, AnOptionsFileNamedByItsFullPathIsFound) {
    ScratchFolder elsewhere;
    WriteFile(elsewhere / "site opts.ini", "[Integrations]\n");
    CommandLineSwitches switches = Parse(elsewhere / "site opts.ini");
    EXPECT_TRUE(switches.optionsFile);
    EXPECT_TRUE(FileExists(switches.optionsFilePath));
}

TEST_F(CommandLineTest, AnOptionsFileInTheCurrentDirectoryIsFoundBeforeTheSetupDirectory) {
    ScratchFolder current;
    WriteFile(current / "OPTS.INI", "current");
    WriteFile(setup_ / "OPTS.INI", "setup");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(current.path().c_str());
    CommandLineSwitches switches = Parse("opts.ini");
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(switches.optionsFile);
    EXPECT_EQ("current", ReadFile(switches.optionsFilePath));
}

TEST_F(CommandLineTest, AMissingOptionsFileLeavesTheRunInteractive) {
    CommandLineSwitches switches = Parse("nosuchfile.ini");
    EXPECT_FALSE(switches.automatic);
    EXPECT_FALSE(switches.optionsFile);
    EXPECT_STREQ("", switches.optionsFilePath);
}

TEST_F(CommandLineTest, AFolderIsNoOptionsFile) {
    MakeFolders(setup_ / "OPTIONS.INI");
    CommandLineSwitches switches = Parse("options.ini");
    EXPECT_FALSE(switches.automatic);
    EXPECT_FALSE(switches.optionsFile);
    ScratchFolder folder;
    EXPECT_FALSE(Parse(folder.path()).optionsFile);
}

TEST_F(CommandLineTest, UninstallWinsOverAnOptionsFile) {
    WriteFile(setup_ / "OPTIONS.INI", "[Integrations]\n");
    CommandLineSwitches switches = Parse("-u options.ini");
    EXPECT_TRUE(switches.uninstall);
    EXPECT_FALSE(switches.automatic);
    EXPECT_FALSE(switches.optionsFile);
}

TEST_F(CommandLineTest, AVeryLongCommandLineIsTakenSafely) {
    std::string line(10000, 'q');
    CommandLineSwitches switches = Parse(line);
    EXPECT_FALSE(switches.automatic);
    EXPECT_FALSE(switches.optionsFile);
    EXPECT_EQ(std::string(10000, 'Q'), After());

    std::string withSwitch = std::string(5000, 'q') + " -s " + std::string(5000, 'q');
    EXPECT_TRUE(Parse(withSwitch).automatic);
}

TEST_F(CommandLineTest, NamesThatOverflowAPathAreNotFound) {
    // 259 and 260 characters: neither fits behind the setup directory.
    for (std::size_t length : {259u, 260u}) {
        CommandLineSwitches switches = Parse(std::string(length, 'n'));
        EXPECT_FALSE(switches.optionsFile) << length;
        EXPECT_STREQ("", switches.optionsFilePath);
    }
}

}  // namespace
}  // namespace txr::test
