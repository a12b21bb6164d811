// The install and uninstall engine: the install sequence with every failure
// of the record's writes, fatal and minor registrations, the Quick View
// program's replacement, the shared-file purge and the removal.
#include "setup/install_engine.h"

#include "registration/error_log.h"
#include "registration/message_text.h"
#include "setup/install_record.h"
#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <cstring>
#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr const char* kProduct = "Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TXR";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The engine's tests touch the system's VIEWERS folder: ctest runs them one
// at a time, and each leaves the folder without Quick View programs.
class InstallEngineTest : public LibraryTest {
protected:
    InstallEngineTest() {
        ClearViewers();
        WriteFile(server_ / "SUPPORT\\QUIKVIEW.EXE", "product viewer");
        std::string root = server_.path();
        lstrcpynA(Library().setupDirectory, root.c_str(), kPathSize);
        ResetInstallPathToSetupDirectory();
    }
    ~InstallEngineTest() override { ClearViewers(); }

    static void ClearViewers() {
        for (const char* name : {"QUIKVIEW.EXE", "QUIKVIEW.ORG"}) {
            std::string path = Viewers() + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    int Install(const std::string& path) {
        char installPath[kPathSize];
        lstrcpynA(installPath, path.c_str(), kPathSize);
        int result = WriteInstallation(installPath, path.c_str());
        recorded_ = installPath;
        return result;
    }
    RegTree Product() { return ReadTree(HKEY_LOCAL_MACHINE, kProduct); }
    // The error log's records: code, what failed, what it means.
    struct Record {
        DWORD code;
        std::string what;
        std::string effect;
        bool operator==(const Record& o) const {
            return code == o.code && what == o.what && effect == o.effect;
        }
    };
    std::vector<Record> Log() {
        std::vector<Record> records;
        auto count = GetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount");
        for (DWORD n = 0; count && n < *count; ++n) {
            std::string suffix = std::to_string(n);
            records.push_back(Record{
                GetDword(HKEY_LOCAL_MACHINE, kProduct, "Error" + suffix).value_or(0),
                GetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorString" + suffix).value_or("?"),
                GetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorDescription" + suffix).value_or("?")});
        }
        return records;
    }
    static Record Expect(DWORD code, int what, int effect) {
        std::string whatText = LoadMessageText(what);
        return Record{code, whatText, LoadMessageText(effect)};
    }

    ScratchFolder server_;
    ScriptedPrompts prompts_;
    std::string recorded_;
};

TEST_F(InstallEngineTest, ACleanInstallWritesTheRecordTheEntryAndApiDll) {
    EXPECT_EQ(0, Install("X:\\TXR\\"));
    RegTree product = Product();
    EXPECT_EQ(Sz("X:\\TXR\\"), product[""]["InstallPath"]);
    EXPECT_EQ(Sz("X:\\TXR\\"), product[""]["SourcePath"]);
    EXPECT_EQ(Dword(4), product[""]["MajorRelease"]);
    EXPECT_EQ(Dword(5), product[""]["MinorRelease"]);
    EXPECT_EQ(Dword(0), product[""]["SubRelease"]);
    EXPECT_EQ(Dword(1), product[""]["Network"]);
    EXPECT_EQ(Dword(1), product[""]["InstallStatus"]);
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount"));
    EXPECT_EQ("X:\\TXR\\\\TXRSETUP.EXE -u", GetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"));
    EXPECT_EQ("Orbisel (Workstation)", GetString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"));
    EXPECT_EQ("X:\\TXR\\PROGRAM\\TXRSHARE.DLL",
              GetString(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel", "APIDLL"));
    EXPECT_EQ("X:\\TXR\\PROGRAM\\TXR32.EXE",
              GetString(HKEY_LOCAL_MACHINE,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe", ""));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(InstallEngineTest, APathWithoutItsBackslashIsRecordedWithOne) {
    EXPECT_EQ(0, Install("X:\\TXR"));
    EXPECT_EQ("X:\\TXR\\", recorded_) << "appended in place";
    EXPECT_EQ("X:\\TXR\\", GetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath"));
    EXPECT_EQ("X:\\TXR", GetString(HKEY_LOCAL_MACHINE, kProduct, "SourcePath"))
        << "the source path is recorded as given";
}

struct RecordFailure {
    reg::Op op;
    const char* target;
    DWORD code;
    int what;
    int effect;
    const char* skipped;  // a value that is then not written (or "")
};

TEST_F(InstallEngineTest, EveryFailedWriteOfTheRecordIsLoggedAndTheSequenceGoesOn) {
    const RecordFailure failures[] = {
        {reg::Op::Create, "Uninstall\\TXR", 1070, 43, 39, "UninstallString"},
        {reg::Op::SetValue, "Uninstall\\TXR\\UninstallString", 1073, 75, 39, "UninstallString"},
        {reg::Op::SetValue, "Uninstall\\TXR\\DisplayName", 1075, 77, 39, "DisplayName"},
        {reg::Op::Close, "Uninstall\\TXR", 1074, 42, 6, ""},
        {reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel", 1090, 46, 44, "APIDLL"},
        {reg::Op::SetValue, "Orbisel\\APIDLL", 1091, 45, 44, "APIDLL"},
        {reg::Op::Close, "HKLM\\Software\\Corvel\\Orbisel", 1092, 47, 6, ""},
        {reg::Op::SetValue, "CurrentVersion\\InstallPath", 1080, 48, 52, "InstallPath"},
        {reg::Op::SetValue, "CurrentVersion\\SourcePath", 1081, 49, 52, "SourcePath"},
        {reg::Op::SetValue, "CurrentVersion\\MajorRelease", 1082, 58, 52, "MajorRelease"},
        {reg::Op::SetValue, "CurrentVersion\\MinorRelease", 1083, 59, 52, "MinorRelease"},
        {reg::Op::SetValue, "CurrentVersion\\SubRelease", 1084, 50, 52, "SubRelease"},
        {reg::Op::SetValue, "CurrentVersion\\Network", 1085, 160, 52, "Network"},
    };
    for (const RecordFailure& failure : failures) {
        SCOPED_TRACE(failure.target);
        RegistryRedirect fresh;  // a registry of its own for each row
        ResetErrorLogForTesting();
        {
            RegistryFaults faults;
            faults.Fail(failure.op, failure.target);
            EXPECT_EQ(0, Install("X:\\TXR\\"));
            // Network is written as soon as the key exists and again in its
            // place; only the second failure is logged.
            EXPECT_EQ(std::string(failure.skipped) == "Network" ? 2u : 1u, faults.failures());
        }
        EXPECT_EQ(std::vector<Record>{Expect(failure.code, failure.what, failure.effect)}, Log());
        EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
        EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, kProduct, "Network").value_or(Dword(1)))
            << "later values are still written";
        std::string skipped = failure.skipped;
        if (skipped == "UninstallString" || skipped == "DisplayName") {
            EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kUninstall, skipped));
        } else if (skipped == "APIDLL") {
            EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel", skipped));
        } else if (!skipped.empty()) {
            EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kProduct, skipped));
        }
        EXPECT_TRUE(prompts_.shown().empty()) << "minor failures show nothing";
    }
}

TEST_F(InstallEngineTest, AFailedStatusWriteIsLoggedAndChangesNothingElse) {
    RegistryFaults faults;
    faults.Fail(reg::Op::SetValue, "CurrentVersion\\InstallStatus");
    EXPECT_EQ(0, Install("X:\\TXR\\"));
    EXPECT_EQ(std::vector<Record>{Expect(1086, 51, 52)}, Log());
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, kProduct, "Network"));
}

TEST_F(InstallEngineTest, WithoutTheProductKeyNothingIsWritten) {
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion");
    EXPECT_EQ(-1, Install("X:\\TXR\\"));
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_NE(std::string::npos,
              prompts_.shown()[0].text.find("Setup could not access the Windows 95 Registry [100]"));
    EXPECT_EQ("Orbisel - Setup Error", prompts_.shown()[0].caption);
    EXPECT_EQ(RegTree({{"", {}}}), ReadTree(HKEY_LOCAL_MACHINE, ""));
    EXPECT_EQ(RegTree({{"", {}}}), ReadTree(HKEY_CLASSES_ROOT, ""));
}

TEST_F(InstallEngineTest, AMinorRegistrationFailureLeavesStatusTwoAndTheRestRuns) {
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKCR\\CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}");
    EXPECT_EQ(0, Install("X:\\TXR\\"));
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_EQ(std::vector<Record>{Expect(1040, 23, 18)}, Log());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}"))
        << "the next registration still ran";
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"));
}

TEST_F(InstallEngineTest, AFatalRegistrationStopsTheSequenceWithStatusThree) {
    SetString(HKEY_CLASSES_ROOT, "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2", "",
              "&Quick View,0,2");
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "HKCR\\CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}");
        EXPECT_EQ(0, InstallFromServer());
    }
    EXPECT_EQ(Dword(3), GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    ASSERT_EQ(1u, prompts_.shown().size()) << "the fatal box";
    for (const char* value :
         {"InstallPath", "SourcePath", "MajorRelease", "MinorRelease", "SubRelease", "Network"}) {
        EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kProduct, value)) << value;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel", "APIDLL"));
    EXPECT_EQ("&Quick View,0,2",
              GetString(HKEY_CLASSES_ROOT, "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2", ""))
        << "the Exchange menus come after it";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.EXE")) << "no Quick View replacement";

    SetDword(HKEY_LOCAL_MACHINE, kProduct, "Network", 0);  // a local installation
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "HKCR\\CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}");
        EXPECT_EQ(0, InstallFromServer());
    }
    EXPECT_EQ(Dword(0), GetValue(HKEY_LOCAL_MACHINE, kProduct, "Network")) << "stays local";
}

TEST_F(InstallEngineTest, WithoutAWholeSavedCopyTheQuickViewTakeoverIsLeftOut) {
    const std::string systemEntry = ".txt\\{F0F08735-0C36-101B-B086-0020AF07D0F4}";
    SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");
    SetString(HKEY_CLASSES_ROOT, "QuickView\\" + systemEntry, "", "Text");
    RegTree before = ReadTree(HKEY_CLASSES_ROOT, "QuickView");
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::SetValue, "QuickView.Original");  // its default value
        EXPECT_EQ(0, Install("X:\\TXR\\"));
    }
    EXPECT_EQ(std::vector<Record>{Expect(1031, 13, 14)}, Log());
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    RegTree after = ReadTree(HKEY_CLASSES_ROOT, "QuickView");
    EXPECT_EQ(before[""], after[""]) << "the default value is not replaced";
    EXPECT_TRUE(after.count(systemEntry)) << "the system's entries stay";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe"))
        << "the rest of the sequence ran";
}

TEST_F(InstallEngineTest, TheSystemsQuickViewIsSavedOnceAndRestored) {
    WriteFile(Viewers() + "QUIKVIEW.EXE", "system viewer");
    EXPECT_EQ(1, InstallFromServer());
    EXPECT_EQ("product viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.ORG"));
    EXPECT_EQ(1, InstallFromServer()) << "installing twice";
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.ORG"))
        << "the first saved program stays saved";
    RestoreQuickView();
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.ORG"));
}

TEST_F(InstallEngineTest, ASystemProgramThatCannotBeSavedIsNeverReplaced) {
    WriteFile(Viewers() + "QUIKVIEW.EXE", "system viewer");
    {
        FileFaults faults;  // the move aside fails; a copy over it would not
        faults.Fail(file::Op::Move, "VIEWERS\\QUIKVIEW.EXE");
        EXPECT_EQ(1, InstallFromServer()) << "the product is set up all the same";
    }
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.ORG"));
    EXPECT_EQ(std::vector<Record>{Expect(1033, 170, 14)}, Log());
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"))
        << "the status agrees with the log";

    EXPECT_EQ(1, InstallFromServer()) << "the next setup, with the program free again";
    EXPECT_EQ("product viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.ORG"));
}

TEST_F(InstallEngineTest, WithoutASavedProgramTheProductsStaysAndAFailedCopyKeepsTheSaved) {
    EXPECT_EQ(1, ReplaceQuickView(server_.path().c_str()));
    RestoreQuickView();
    EXPECT_EQ("product viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));

    WriteFile(Viewers() + "QUIKVIEW.ORG", "system viewer");
    // A viewer that is running holds its program open.
    HANDLE running = CreateFileA((Viewers() + "QUIKVIEW.EXE").c_str(), GENERIC_READ, 0,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, running);
    RestoreQuickView();
    CloseHandle(running);
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.ORG"))
        << "the system's program is not given up while it could not be put back";
}

TEST_F(InstallEngineTest, AServerWithoutTheProductsProgramFailsTheReplacement) {
    DeleteFileA((server_ / "SUPPORT\\QUIKVIEW.EXE").c_str());
    EXPECT_EQ(0, ReplaceQuickView(server_.path().c_str()));
    EXPECT_EQ(0, InstallFromServer());
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    // The system's program is not left moved aside with nothing in its place.
    WriteFile(Viewers() + "QUIKVIEW.EXE", "system viewer");
    EXPECT_EQ(0, InstallFromServer());
    EXPECT_EQ("system viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.ORG"));
}

TEST_F(InstallEngineTest, PurgeSharedDllsRemovesOnlyEntriesBelowTheInstallPath) {
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "X:\\TXR\\PROGRAM\\A.DLL", 1);
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "x:\\txr\\b.dll", 2);
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "E:\\APPS\\TOOL.DLL", 3);
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "X:\\TXRNOT\\C.DLL", 4);
    lstrcpyA(Library().installPath, "X:\\TXR\\");
    PurgeSharedDlls();
    EXPECT_EQ(RegTree({{"", {{"E:\\APPS\\TOOL.DLL", Dword(3)}, {"X:\\TXRNOT\\C.DLL", Dword(4)}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kSharedDlls));
}

TEST_F(InstallEngineTest, PurgeSharedDllsWithoutAPathOrWithStubbornEntries) {
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "C:\\ANY.DLL", 1);
    Library().installPath[0] = '\0';
    PurgeSharedDlls();
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kSharedDlls, "C:\\ANY.DLL")) << "an empty path matches nothing";

    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "X:\\TXR\\A.DLL", 1);
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "X:\\TXR\\B.DLL", 1);
    lstrcpyA(Library().installPath, "X:\\TXR\\");
    RegistryFaults faults;
    faults.Fail(reg::Op::DeleteValue, "SharedDLLs\\X:\\TXR\\A.DLL");
    PurgeSharedDlls();
    EXPECT_LT(faults.callCount(), 50u) << "a value that cannot be deleted is stepped over";
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kSharedDlls, "X:\\TXR\\A.DLL"));
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kSharedDlls, "X:\\TXR\\B.DLL"));
}

TEST_F(InstallEngineTest, RemovalTakesEverythingOfTheProductAndLeavesSharedParents) {
    SetString(HKEY_CURRENT_USER, "Software\\Corvel\\Orbisel\\CurrentVersion", "x", "1");
    SetString(HKEY_CURRENT_USER, "Software\\Corvel\\Other", "y", "kept");
    SetString(HKEY_CURRENT_USER, "Software\\XCV\\Viewer Technology\\OEM05\\Sub", "z", "1");
    SetString(HKEY_LOCAL_MACHINE, "Software\\XCV\\Viewer Technology\\OEM05", "z", "1");
    SetString(HKEY_LOCAL_MACHINE, "Software\\XCV\\Viewer Technology\\OEM06", "keep", "1");
    EXPECT_EQ(0, Install(server_.path()));
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, server_.path() + "PROGRAM\\A.DLL", 1);
    SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, "C:\\OTHER.DLL", 1);

    // Windows 95 deletes a key's subkeys with it: the uninstall never asks
    // to delete a key that still has some.
    std::vector<std::string> withSubkeys;
    RegistryFaults faults;
    faults.FailWhen([&](const reg::Call& call) {
        std::string path = reg::Describe(call);
        HKEY key = nullptr;
        DWORD subkeys = 0;
        if (call.op == reg::Op::DeleteKey && path.size() > 5 &&
            RegOpenKeyExA(path[3] == 'U' ? HKEY_CURRENT_USER : path[3] == 'M' ? HKEY_LOCAL_MACHINE
                                                                                : HKEY_CLASSES_ROOT,
                          path.c_str() + 5, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(key);
            if (subkeys) withSubkeys.push_back(path);
        }
        return false;
    });
    EXPECT_EQ(0, UninstallWorkstation());
    EXPECT_EQ(std::vector<std::string>{}, withSubkeys);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Corvel"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Corvel\\Orbisel"));
    EXPECT_EQ("kept", GetString(HKEY_CURRENT_USER, "Software\\Corvel\\Other", "y"))
        << "a parent that still has other subkeys stays";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\XCV"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\XCV\\Viewer Technology\\OEM05"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\XCV\\Viewer Technology\\OEM06"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe"));
    EXPECT_EQ(RegTree({{"", {{"C:\\OTHER.DLL", Dword(1)}}}}), ReadTree(HKEY_LOCAL_MACHINE, kSharedDlls));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\OrbiselMenu"));
}

}  // namespace
}  // namespace txr::test
