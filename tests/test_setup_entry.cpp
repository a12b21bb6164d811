// One run of the setup entry: where each command line leads, and the
// uninstall confirmation.
#include "setup/setup_entry.h"

#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr const char* kKey = "Software\\Corvel\\Orbisel\\CurrentVersion";

// What the run did, recorded by the test's routes.
struct Journey {
    std::vector<std::string> steps;
};
Journey* g_journey = nullptr;

int RecordUninstall() {
    g_journey->steps.push_back("uninstall");
    return 0;
}
int RecordAutomatic(int optionsFileFound) {
    g_journey->steps.push_back("automatic " + std::to_string(optionsFileFound) + " " +
                               Library().optionsFilePath);
    return 1;
}
int RecordWizard(int message, int advice) {
    g_journey->steps.push_back("wizard " + std::to_string(message) + "/" + std::to_string(advice));
    return 1;
}

class SetupEntryTest : public LibraryTest {
protected:
    SetupEntryTest() {
        g_journey = &journey_;
        text_setup_ = setup_.path();
        lstrcpynA(Library().setupDirectory, text_setup_.c_str(), kPathSize);
    }
    ~SetupEntryTest() override { g_journey = nullptr; }

    void Server(const char* major, const char* minor, const char* sub) {
        WriteFile(setup_ / "TXRNET.INI", std::string("[CurrentVersion]\r\nMajorRelease=") + major +
                                             "\r\nMinorRelease=" + minor + "\r\nSubRelease=" +
                                             sub + "\r\n");
    }
    void Record(DWORD major, DWORD minor, DWORD sub) {
        SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "X:\\TXR\\");
        SetDword(HKEY_LOCAL_MACHINE, kKey, "MajorRelease", major);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "MinorRelease", minor);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "SubRelease", sub);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    }
    std::vector<std::string> Run(const std::string& line) {
        journey_.steps.clear();
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        RunSetup(buffer.data(), SetupRoutes{&RecordUninstall, &RecordAutomatic, &RecordWizard});
        return journey_.steps;
    }

    using Steps = std::vector<std::string>;
    ScratchFolder setup_;
    std::string text_setup_;
    ScriptedPrompts prompts_;
    Journey journey_;
};

TEST_F(SetupEntryTest, NoArgumentsOpenTheWizardWithTheDecision) {
    Server("4", "5", "0");
    EXPECT_EQ(Steps{"wizard 0/0"}, Run(""));
    Record(4, 5, 0);
    EXPECT_EQ(Steps{"wizard 150/156"}, Run(""));
    Record(4, 6, 0);
    EXPECT_EQ(Steps{"wizard 151/157"}, Run(""));
    DeleteFileA((setup_ / "TXRNET.INI").c_str());
    EXPECT_EQ(Steps{"wizard 146/158"}, Run(""));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, TheSilentSwitchRunsUnattendedWithoutOptions) {
    Server("4", "5", "0");
    EXPECT_EQ(Steps{"automatic 0 "}, Run("-s"));
    EXPECT_EQ(Steps{"automatic 0 "}, Run("auto"));
    EXPECT_EQ(Steps{"automatic 0 "}, Run("AUTO"));
    Record(4, 5, 0);
    EXPECT_EQ(Steps{"automatic 0 "}, Run("/S")) << "the same version is reinstalled";
}

TEST_F(SetupEntryTest, AnUnattendedRunEndsSilentlyAgainstAdvice) {
    Server("4", "5", "0");
    Record(4, 6, 0);
    EXPECT_EQ(Steps{}, Run("-s"));
    DeleteFileA((setup_ / "TXRNET.INI").c_str());
    EXPECT_EQ(Steps{}, Run("-s"));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, AnOptionsFileRunsUnattendedWithIt) {
    Server("4", "5", "0");
    WriteFile(setup_ / "SITE.INI", "[Integrations]\r\n");
    EXPECT_EQ(Steps{"automatic 1 " + setup_ / "SITE.INI"}, Run("site.ini"));
    EXPECT_EQ(Steps{"wizard 0/0"}, Run("autoinst")) << "a name that is not found is ignored";
}

TEST_F(SetupEntryTest, UninstallAsksFirstAndConfirms) {
    Server("4", "5", "0");
    prompts_.Answer(IDYES);
    EXPECT_EQ(Steps{"uninstall"}, Run("/U"));
    ASSERT_EQ(2u, prompts_.shown().size());
    EXPECT_EQ("Are you sure you want to remove Orbisel?", prompts_.shown()[0].text);
    EXPECT_EQ("Orbisel Workstation Setup", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), prompts_.shown()[0].style);
    EXPECT_EQ(nullptr, prompts_.shown()[0].owner);
    EXPECT_EQ("Orbisel has been removed from your system.", prompts_.shown()[1].text);
    EXPECT_EQ("Orbisel Workstation Setup", prompts_.shown()[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), prompts_.shown()[1].style);
}

TEST_F(SetupEntryTest, UninstallAnsweredNoDoesNothing) {
    prompts_.Answer(IDNO);
    EXPECT_EQ(Steps{}, Run("-u"));
    EXPECT_EQ(1u, prompts_.shown().size());
}

TEST_F(SetupEntryTest, SilentUninstallAsksNothingAndIgnoresTheServer) {
    EXPECT_EQ(Steps{"uninstall"}, Run("-s -u"));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, UninstallNeverConsultsTheOptionsFile) {
    WriteFile(setup_ / "SITE.INI", "[Integrations]\r\n");
    prompts_.Answer(IDYES);
    EXPECT_EQ(Steps{"uninstall"}, Run("-u site.ini"));
    EXPECT_STREQ("", Library().optionsFilePath);
}

TEST_F(SetupEntryTest, ANullCommandLineIsAnEmptyOne) {
    Server("4", "5", "0");
    journey_.steps.clear();
    RunSetup(nullptr, SetupRoutes{&RecordUninstall, &RecordAutomatic, &RecordWizard});
    EXPECT_EQ(Steps{"wizard 0/0"}, journey_.steps);
}

TEST_F(SetupEntryTest, TheExportAlwaysReturnsZero) {
    // No TXRNET.INI in the setup folder: an unattended run ends at once.
    char line[] = "-s";
    EXPECT_EQ(0, TXRSetup(line));
}

}  // namespace
}  // namespace txr::test
