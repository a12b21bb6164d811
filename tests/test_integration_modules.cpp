// Finding the integration modules and filling the application table from
// their answers: what each code's answer does to a record, the order of the
// questions, and modules that misbehave.
#include "integration/app_table.h"

#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <cstring>
#include <string>
#include <vector>

namespace txr::test {
namespace {

using Calls = std::vector<std::string>;

std::vector<std::string> KeyNames() {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < Apps().AppCount; ++i) names.push_back(Apps().Records[i].KeyName);
    return names;
}

// The module files of SUPPORT\ in the order the folder lists them.
std::vector<std::string> ListedModules(const std::string& support) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((support + "AI*.DLL").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

using ModuleLoadTest = IntegrationTest;

TEST_F(ModuleLoadTest, NoSupportFolderOrNoModuleLeavesTheTableEmpty) {
    DeleteFolderTree(support());
    record(0).Status = 7;  // left from an earlier load: the count decides
    table().AppCount = 3;
    LoadIntegrationModules();
    EXPECT_EQ(0u, table().AppCount);

    MakeFolders(support());
    AddTestModule("AITHREE.DLL", "THREE.DLL");  // not AI*.DLL
    MakeFolders(support() + "AIFOLDER.DLL");    // a folder, not a module
    LoadIntegrationModules();
    EXPECT_EQ(0u, table().AppCount);

    // Every later operation has nothing to do.
    FakeClock clock;
    ReadAppRecords();
    WriteAppRecords();
    ApplyIntegrationActions(GetDesktopWindow());
    RemoveAllIntegrations();
    EXPECT_TRUE(clock.pauses().empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps"));
}

TEST_F(ModuleLoadTest, ADeclinedKeyNameDropsThatApplicationAndReusesItsSlot) {
    AddTestModule("AITHREE.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(2u, table().AppCount);
    EXPECT_STREQ("Three00", record(0).KeyName);
    EXPECT_STREQ("Three App 0", record(0).DisplayName);
    EXPECT_EQ(0, record(0).ModuleIndex);
    EXPECT_STREQ("Three02", record(1).KeyName);
    EXPECT_STREQ("Three App 2", record(1).DisplayName);
    EXPECT_EQ(2, record(1).ModuleIndex);
    for (int i = 0; i < 2; ++i) {
        EXPECT_STREQ("AITHREE.DLL", record(i).ModuleFile);
        EXPECT_EQ(kStatusNotIntegrated, record(i).Status);
        EXPECT_EQ(kActionNone, record(i).Action);
        EXPECT_EQ(1, record(i).Listed);
        // Kind 4 without bit 17: the module's path is the location.
        EXPECT_EQ(1, record(i).PathKnown);
        EXPECT_STREQ("C:\\Three\\", record(i).AppPath);
    }
}

TEST_F(ModuleLoadTest, EachAnswerFillsItsFieldsAndTheQuestionsComeInOrder) {
    AddProbe("[Module]\nCount=6\n"
             "[App0]\nKeyName=Scan\nDisplayName=Found By Scan\nKind=3\nDefaultPath=C:\\Ignored\\\n"
             "Files=SCAN.EXE|SCAN.INI\n"
             "[App1]\nKeyName=Known\nDisplayName=Module Knows\nKind=4\nDefaultPath=C:\\Known\\\n"
             "[App2]\nKeyName=NoDefault\nDisplayName=No Default\nKind=0x20004\n"
             "DefaultPath=C:\\NotTaken\\\n"
             "[App3]\nKeyName=Auto\nDisplayName=Automatic\nKind=0x10004\nDefaultPath=C:\\Auto\\\n"
             "[App4]\nKeyName=AutoScan\nDisplayName=Automatic Scan\nKind=0x40003\nVisibility=10\n"
             "[App5]\nKeyName=Nameless\nDisplayName=Nameless\nNameResult=0\n");
    LoadIntegrationModules();

    EXPECT_EQ((Calls{"0/0", "8/0", "1/0", "5/0", "13/0", "12/0", "9/0",
                     "8/1", "1/1", "5/1", "13/1", "12/1", "9/1",
                     "8/2", "1/2", "5/2", "13/2", "12/2", "9/2",
                     "8/3", "1/3", "5/3", "13/3", "12/3", "9/3",
                     "8/4", "1/4", "5/4", "13/4", "12/4", "9/4",
                     "8/5", "1/5"}),
              ProbeCalls());
    ASSERT_EQ(5u, table().AppCount);
    EXPECT_EQ((std::vector<std::string>{"Scan", "Known", "NoDefault", "Auto", "AutoScan"}),
              KeyNames());

    const AppRecord& scan = record(0);
    EXPECT_EQ(3u, scan.KindFlags);
    EXPECT_EQ(2u, scan.FileNameCount);
    EXPECT_STREQ("SCAN.EXE", scan.FileNames[0]);
    EXPECT_STREQ("SCAN.INI", scan.FileNames[1]);
    EXPECT_STREQ("C:\\Ignored\\", scan.DefaultPath);
    EXPECT_EQ(0, scan.PathKnown);
    EXPECT_EQ(0, std::memcmp("PROBE-PAGE-INFO", scan.PageInfo, 16));

    EXPECT_EQ(1, record(1).PathKnown);
    EXPECT_STREQ("C:\\Known\\", record(1).AppPath);
    EXPECT_EQ(kStatusNotIntegrated, record(1).Status);

    EXPECT_EQ(0x20004u, record(2).KindFlags);
    EXPECT_EQ(0, record(2).PathKnown);

    // Automatic and kind 4: integrated from the start.
    EXPECT_EQ(kStatusIntegrated, record(3).Status);
    EXPECT_EQ(1, record(3).PathKnown);
    // Automatic but kind 3: the status is not touched; code 12 hid it.
    EXPECT_EQ(kStatusNotIntegrated, record(4).Status);
    EXPECT_EQ(0, record(4).Listed);
    EXPECT_EQ(1, record(0).Listed);

    for (std::uint32_t i = 0; i < table().AppCount; ++i) {
        EXPECT_EQ(kActionNone, record(i).Action);
        EXPECT_EQ(0, record(i).SaveDataPresent);
        EXPECT_EQ(0, record(i).Unattended);
        EXPECT_EQ(static_cast<int>(i), record(i).ModuleIndex);
    }
}

TEST_F(ModuleLoadTest, AHiddenApplicationIsLoadedButNotListed) {
    AddTestModule("AIHIDDEN.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(1u, table().AppCount);
    EXPECT_STREQ("Hidden00", record(0).KeyName);
    EXPECT_EQ(0, record(0).Listed);
}

TEST_F(ModuleLoadTest, ALibraryWithoutAIEntryIsSkipped) {
    AddTestModule("AINOENTR.DLL");
    LoadIntegrationModules();
    EXPECT_EQ(0u, table().AppCount);

    AddTestModule("AIHIDDEN.DLL");
    WriteFile(support() + "AIBROKEN.DLL", "not a library at all");
    LoadIntegrationModules();
    EXPECT_EQ((std::vector<std::string>{"Hidden00"}), KeyNames());
}

TEST_F(ModuleLoadTest, TheTableKeepsTheFirstTwentyApplications) {
    AddTestModule("AIMANY.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(20u, table().AppCount);
    for (int i = 0; i < 20; ++i) {
        char key[20];
        std::snprintf(key, sizeof key, "Many%02d", i);
        EXPECT_STREQ(key, record(i).KeyName);
        EXPECT_EQ(i, record(i).ModuleIndex);
    }
}

TEST_F(ModuleLoadTest, AFullTableAsksNoFurtherApplicationOrModule) {
    std::string settings = "[Module]\nCount=25\n";
    for (int i = 0; i < 25; ++i) {
        settings += "[App" + std::to_string(i) + "]\nKeyName=P" + std::to_string(i) +
                    "\nDisplayName=Probe " + std::to_string(i) + "\n";
    }
    AddProbe(settings);
    AddProbe("[Module]\nCount=1\n[App0]\nKeyName=Second\nDisplayName=Second\n", "AIPROBE2.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(20u, table().AppCount);

    std::vector<std::string> order = ListedModules(support());
    Calls first = ProbeCalls("AIPROBE.DLL");
    if (order.front() == "AIPROBE.DLL") {
        // Indexes 20 to 24 were never asked, and the second module was not
        // even loaded.
        EXPECT_EQ("9/19", first.back());
        EXPECT_TRUE(ProbeCalls("AIPROBE2.DLL").empty());
        EXPECT_STREQ("P19", record(19).KeyName);
    } else {
        EXPECT_STREQ("Second", record(0).KeyName);
        EXPECT_EQ("9/18", first.back());
        EXPECT_STREQ("P18", record(19).KeyName);
    }
}

TEST_F(ModuleLoadTest, AModuleThatFaultsWhileAskedContributesNothing) {
    AddTestModule("AILDFALT.DLL");
    LoadIntegrationModules();
    EXPECT_EQ(0u, table().AppCount);

    // The other modules load as usual, before or after it.
    AddTestModule("AITHREE.DLL");
    LoadIntegrationModules();
    EXPECT_EQ((std::vector<std::string>{"Three00", "Three02"}), KeyNames());
}

TEST_F(ModuleLoadTest, OverlongAnswersAreCutToTheirFields) {
    const std::string longKey(30, 'K');
    const std::string longName(60, 'N');
    const std::string longPath = "C:\\" + std::string(400, 'p') + "\\";
    const std::string longFile(80, 'f');
    AddProbe("[Module]\nCount=1\n[App0]\nKeyName=" + longKey + "\nDisplayName=" + longName +
             "\nKind=4\nDefaultPath=" + longPath + "\nFiles=" + longFile +
             "|B|C|D|E\nFileCount=9\n");
    LoadIntegrationModules();
    ASSERT_EQ(1u, table().AppCount);
    EXPECT_EQ(longKey.substr(0, 19), record(0).KeyName);
    EXPECT_EQ(longName.substr(0, 39), record(0).DisplayName);
    EXPECT_EQ(longPath.substr(0, 259), record(0).DefaultPath);
    EXPECT_EQ(longPath.substr(0, 259), record(0).AppPath);
    // Never more names than there is room for, each terminated.
    EXPECT_EQ(5u, record(0).FileNameCount);
    EXPECT_EQ(longFile.substr(0, 63), record(0).FileNames[0]);
    EXPECT_STREQ("E", record(0).FileNames[4]);
}

TEST_F(ModuleLoadTest, ASecondLoadStartsAfresh) {
    AddTestModule("AIMANY.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(20u, table().AppCount);
    record(0).Action = kActionIntegrate;
    DeleteFileA((support() + "AIMANY.DLL").c_str());
    AddTestModule("AIHIDDEN.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(1u, table().AppCount);
    EXPECT_STREQ("Hidden00", record(0).KeyName);
    EXPECT_EQ(kActionNone, record(0).Action);
}

TEST_F(ModuleLoadTest, EveryModuleIsUnloadedAfterUse) {
    AddTestModule("AITHREE.DLL");
    LoadIntegrationModules();
    EXPECT_EQ(nullptr, GetModuleHandleA((support() + "AITHREE.DLL").c_str()));
    record(0).Action = kActionIntegrate;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(nullptr, GetModuleHandleA((support() + "AITHREE.DLL").c_str()));
}

}  // namespace
}  // namespace txr::test
