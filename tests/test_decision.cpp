// The server-version decision: every row of the table in its order, and
// TXRNET.INI files that hold no usable version.
#include "setup/decision.h"

#include "setup/server_version.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"

#include <string>

namespace txr::test {
namespace {

constexpr const char* kKey = "Software\\Corvel\\Orbisel\\CurrentVersion";

class DecisionTest : public LibraryTest {
protected:
    void Server(const std::string& major, const std::string& minor, const std::string& sub) {
        WriteFile(setup_ / "TXRNET.INI", "[CurrentVersion]\r\nMajorRelease=" + major +
                                             "\r\nMinorRelease=" + minor +
                                             "\r\nSubRelease=" + sub + "\r\n");
    }
    void Record(DWORD major, DWORD minor, DWORD sub, DWORD network = 1) {
        SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "X:\\TXR\\");
        SetDword(HKEY_LOCAL_MACHINE, kKey, "MajorRelease", major);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "MinorRelease", minor);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "SubRelease", sub);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", network);
    }
    std::pair<int, int> Decide() {
        SetupDecision decision = DecideSetup(setup_.path().c_str());
        return {decision.message, decision.advice};
    }

    ScratchFolder setup_;
};

using Outcome = std::pair<int, int>;

TEST_F(DecisionTest, Row1NoServerIniCannotGoOn) {
    Record(4, 5, 0);
    EXPECT_EQ(Outcome(146, 158), Decide());
}

TEST_F(DecisionTest, Row1AFolderNamedTxrnetIniIsNoFile) {
    MakeFolders(setup_ / "TXRNET.INI");
    EXPECT_EQ(Outcome(146, 158), Decide());
}

TEST_F(DecisionTest, Row2AMissingVersionKeyCannotGoOn) {
    WriteFile(setup_ / "TXRNET.INI", "[CurrentVersion]\r\nMajorRelease=4\r\nMinorRelease=5\r\n");
    EXPECT_EQ(Outcome(147, 158), Decide());
    WriteFile(setup_ / "TXRNET.INI", "[Other]\r\nMajorRelease=4\r\n");
    EXPECT_EQ(Outcome(147, 158), Decide());
    WriteFile(setup_ / "TXRNET.INI", "");
    EXPECT_EQ(Outcome(147, 158), Decide());
}

TEST_F(DecisionTest, Row2TheValue9999CountsAsMissing) {
    Server("9999", "5", "0");
    EXPECT_EQ(Outcome(147, 158), Decide());
    Server("4", "5", "9999");
    EXPECT_EQ(Outcome(147, 158), Decide());
}

TEST_F(DecisionTest, Row2ValuesThatAreNoVersionNumberCountAsMissing) {
    for (const char* bad : {"four", "-1", "4x", "+4", "4.5", "4294967296", "99999999999999999999",
                            "", " "}) {
        Server(bad, "5", "0");
        EXPECT_EQ(Outcome(147, 158), Decide()) << "MajorRelease=" << bad;
    }
    Server(std::string(5000, '4'), "5", "0");
    EXPECT_EQ(Outcome(147, 158), Decide()) << "an overlong value";
    Server("4294967295", "5", "0");
    EXPECT_EQ(Outcome(0, 0), Decide()) << "the largest 32-bit number is a version";
}

TEST_F(DecisionTest, Row3NoRecordIsAPlainSetup) {
    Server("4", "5", "0");
    EXPECT_EQ(Outcome(0, 0), Decide());
    // What a setup stopped right after creating the key leaves: the key,
    // perhaps an error log, and nothing of the record.
    SetDword(HKEY_LOCAL_MACHINE, kKey, "ErrorCount", 1);
    EXPECT_EQ(Outcome(0, 0), Decide()) << "a key without any value of the record";
}

TEST_F(DecisionTest, Row4ALocalInstallationComesBeforeCompleteness) {
    Server("4", "5", "0");
    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "C:\\TXR\\");
    EXPECT_EQ(Outcome(148, 157), Decide()) << "incomplete and not network";
    Record(4, 5, 0, 0);
    EXPECT_EQ(Outcome(148, 157), Decide());
}

TEST_F(DecisionTest, Row5AnIncompleteNetworkRecord) {
    Server("4", "5", "0");
    SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    SetDword(HKEY_LOCAL_MACHINE, kKey, "MajorRelease", 4);
    SetDword(HKEY_LOCAL_MACHINE, kKey, "MinorRelease", 5);
    EXPECT_EQ(Outcome(149, 156), Decide());
}

TEST_F(DecisionTest, Row6TheSameVersion) {
    Server("4", "5", "0");
    Record(4, 5, 0);
    EXPECT_EQ(Outcome(150, 156), Decide());
}

TEST_F(DecisionTest, Row7AnOlderRecordIsAPlainSetup) {
    Server("4", "5", "1");
    Record(4, 5, 0);
    EXPECT_EQ(Outcome(0, 0), Decide());
    Server("5", "0", "0");
    Record(4, 9, 9);
    EXPECT_EQ(Outcome(0, 0), Decide()) << "major decides first";
}

TEST_F(DecisionTest, Row8ANewerRecord) {
    Server("4", "5", "0");
    Record(4, 6, 0);
    EXPECT_EQ(Outcome(151, 157), Decide());
    Record(5, 0, 0);
    EXPECT_EQ(Outcome(151, 157), Decide());
}

TEST_F(DecisionTest, VersionsCompareAsUnsignedNumbers) {
    Server("4", "5", "0");
    Record(4, 5, 0x80000000u);
    EXPECT_EQ(Outcome(151, 157), Decide());
}

TEST_F(DecisionTest, ASetupDirectoryTooLongForTheIniNameFindsNoIni) {
    std::string directory(255, 'd');
    EXPECT_FALSE(ReadServerVersion((directory + "\\").c_str()).fileExists);
}

TEST(AutomaticSetupAllowedTest, OnlyWithoutAdviceOrWithAdviceToGoOn) {
    EXPECT_TRUE(AllowsAutomaticSetup({0, 0}));
    EXPECT_TRUE(AllowsAutomaticSetup({150, 156}));
    EXPECT_FALSE(AllowsAutomaticSetup({151, 157}));
    EXPECT_FALSE(AllowsAutomaticSetup({146, 158}));
}

}  // namespace
}  // namespace txr::test
