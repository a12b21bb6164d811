// The shell's registrations: the context-menu handler, its approval on
// Windows NT, the two COM classes and the two App Paths entries, with what
// their checks accept and reject.
#include "platform/os_version.h"
#include "tests/registration_fixture.h"
#include "tests/support/wine_version.h"

#include <string>

namespace txr::test {
namespace {

constexpr char kMenuKey[] = "*\\shellex\\ContextMenuHandlers\\OrbiselMenu";
constexpr char kApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kViewerClassKey[] = "CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kExtClassKey[] = "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}";
constexpr char kViewerAppPathKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe";
constexpr char kSupportAppPathKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txrsupp.exe";
constexpr char kExtName[] = "Orbisel - Shell Extension object";

using ShellRegistrationTest = RegistrationTest;

// --- context-menu handler ---

TEST_F(ShellRegistrationTest, ContextMenuHandlerNamesTheShellExtension) {
    RegistryFaults faults;
    EXPECT_EQ(kRegDone, TXRRegContextMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(RegTree({{"", {{"", Sz(kShellExt)}}}}), ReadTree(HKEY_CLASSES_ROOT, kMenuKey));
    EXPECT_EQ("Corvel", KeyClass(HKEY_CLASSES_ROOT, kMenuKey));
    EXPECT_EQ(std::vector<REGSAM>{kFull}, AccessAskedFor(faults, reg::Op::Create, kMenuKey));

    EXPECT_EQ(kCheckCorrect, TXRRegContextMenu(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(std::vector<REGSAM>{KEY_QUERY_VALUE},
              AccessAskedFor(faults, reg::Op::Open, kMenuKey));

    TXRRegContextMenu(kModeRemove, nullptr, nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kMenuKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers"))
        << "only the handler's own key goes";
}

TEST_F(ShellRegistrationTest, ContextMenuCheckWantsTheIdentifierExactly) {
    auto checkWith = [](const RegValue& value) {
        SetValue(HKEY_CLASSES_ROOT, kMenuKey, "", value);
        return TXRRegContextMenu(kModeCheck, nullptr, nullptr);
    };
    EXPECT_EQ(kCheckCorrect, checkWith(Sz(kShellExt)));
    EXPECT_EQ(kCheckWrong, checkWith(Sz("{f0f08737-0c36-101b-b086-0020af07d0f4}")))
        << "another letter case is another identifier";
    EXPECT_EQ(kCheckWrong, checkWith(Sz(std::string(kShellExt) + " ")));
    EXPECT_EQ(kCheckWrong, checkWith(Sz(std::string(kShellExt).substr(0, 37))));
    EXPECT_EQ(kCheckWrong, checkWith(Sz(kFileViewer)));
    EXPECT_EQ(kCheckWrong, checkWith(Sz(std::string(1100, 'x'))))
        << "a value beyond the 1,024 bytes read";
    EXPECT_EQ(kCheckCorrect, checkWith(Sz(std::string(kShellExt) + '\0' + "tail")))
        << "the text ends at its terminator";
}

// --- approval on Windows NT ---

TEST_F(ShellRegistrationTest, OnWindows95TheApprovalTouchesNothing) {
    os::ForcePlatform(os::Platform::Windows95);
    SetString(HKEY_LOCAL_MACHINE, kApprovedKey, kShellExt, kExtName);
    RegTree before = Everything();
    RegistryFaults faults;
    EXPECT_EQ(kRegDone, TXRRegNTShellApproved(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(kCheckCorrect, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr));
    TXRRegNTShellApproved(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(0u, faults.callCount()) << "not one registry call";
    EXPECT_EQ(before, Everything());

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kApprovedKey);
    EXPECT_EQ(kCheckCorrect, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr))
        << "nothing to check on Windows 95";
}

TEST_F(ShellRegistrationTest, OnWindowsNTTheApprovalJoinsTheSystemsList) {
    os::ForcePlatform(os::Platform::WindowsNT);
    RegistryFaults faults;
    EXPECT_EQ(kRegDone, TXRRegNTShellApproved(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(RegTree({{"", {{kShellExt, Sz(kExtName)}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kApprovedKey));
    EXPECT_EQ("", KeyClass(HKEY_LOCAL_MACHINE, kApprovedKey)) << "the system's key: no class";
    EXPECT_EQ(std::vector<REGSAM>{KEY_SET_VALUE},
              AccessAskedFor(faults, reg::Op::Create, kApprovedKey))
        << "the right to set values only";
}

TEST_F(ShellRegistrationTest, TheApprovalKeepsOtherApprovalsAndRemovesOnlyItsOwn) {
    os::ForcePlatform(os::Platform::WindowsNT);
    SetString(HKEY_LOCAL_MACHINE, kApprovedKey, kFileViewer, "Someone else's object");
    EXPECT_EQ(kRegDone, TXRRegNTShellApproved(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(2u, ReadTree(HKEY_LOCAL_MACHINE, kApprovedKey)[""].size());

    TXRRegNTShellApproved(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(RegTree({{"", {{kFileViewer, Sz("Someone else's object")}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kApprovedKey));
    EXPECT_EQ(kCheckWrong, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr));
}

TEST_F(ShellRegistrationTest, TheApprovalCheckWantsTheTextExactly) {
    os::ForcePlatform(os::Platform::WindowsNT);
    EXPECT_EQ(kCheckWrong, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr)) << "no key";
    auto checkWith = [](const std::string& text) {
        SetString(HKEY_LOCAL_MACHINE, kApprovedKey, kShellExt, text);
        return TXRRegNTShellApproved(kModeCheck, nullptr, nullptr);
    };
    EXPECT_EQ(kCheckCorrect, checkWith(kExtName));
    EXPECT_EQ(kCheckWrong, checkWith("orbisel - shell extension object"));
    EXPECT_EQ(kCheckWrong, checkWith(std::string(kExtName) + "."));
    EXPECT_EQ(kCheckWrong, checkWith(""));
}

// Under Wine's real version setting (children of the test below).
TEST_F(ShellRegistrationTest, DISABLED_ApprovalOnRealWindows95) {
    ASSERT_TRUE(os::IsWindows95());
    EXPECT_EQ(kRegDone, TXRRegNTShellApproved(kModeInstall, log_, kInstallPath));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kApprovedKey));
    EXPECT_EQ(kCheckCorrect, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr));
}

TEST_F(ShellRegistrationTest, DISABLED_ApprovalOnRealWindowsNT) {
    ASSERT_FALSE(os::IsWindows95());
    EXPECT_EQ(kCheckWrong, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kRegDone, TXRRegNTShellApproved(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(kExtName, GetString(HKEY_LOCAL_MACHINE, kApprovedKey, kShellExt));
    EXPECT_EQ(kCheckCorrect, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr));
    TXRRegNTShellApproved(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(kCheckWrong, TXRRegNTShellApproved(kModeCheck, nullptr, nullptr));
}

TEST_F(ShellRegistrationTest, ApprovalFollowsWinesVersionSetting) {
    std::string output;
    EXPECT_EQ(0, RunTestUnderWineVersion(
                     "win95", "ShellRegistrationTest.DISABLED_ApprovalOnRealWindows95", &output))
        << output;
    EXPECT_EQ(0, RunTestUnderWineVersion(
                     "nt40", "ShellRegistrationTest.DISABLED_ApprovalOnRealWindowsNT", &output))
        << output;
}

// --- COM classes ---

TEST_F(ShellRegistrationTest, ClassesNameTheirObjectsModulesAndThreadingModel) {
    RegistryFaults faults;
    EXPECT_EQ(kRegDone, TXRRegFileViewerClassId(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(kRegDone, TXRRegShellExtClassId(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(RegTree({{"", {{"", Sz("Orbisel - File Viewer object")}}},
                       {"InProcServer32",
                        {{"", Sz("X:\\TXR\\PROGRAM\\TXR.DLL")}, {"ThreadingModel", Sz("Apartment")}}}}),
              ReadTree(HKEY_CLASSES_ROOT, kViewerClassKey));
    EXPECT_EQ(RegTree({{"", {{"", Sz(kExtName)}}},
                       {"InProcServer32",
                        {{"", Sz("X:\\TXR\\PROGRAM\\TXRSE2.DLL")},
                         {"ThreadingModel", Sz("Apartment")}}}}),
              ReadTree(HKEY_CLASSES_ROOT, kExtClassKey));
    for (const char* key : {kViewerClassKey, kExtClassKey}) {
        EXPECT_EQ("Corvel", KeyClass(HKEY_CLASSES_ROOT, key));
        EXPECT_EQ("Corvel", KeyClass(HKEY_CLASSES_ROOT, std::string(key) + "\\InProcServer32"));
        EXPECT_EQ(std::vector<REGSAM>{kFull}, AccessAskedFor(faults, reg::Op::Create, key));
        EXPECT_EQ(std::vector<REGSAM>{kFull},
                  AccessAskedFor(faults, reg::Op::Create, std::string(key) + "\\InProcServer32"));
    }
}

TEST_F(ShellRegistrationTest, ThreadingModelCaseMattersOnlyToTheShellExtension) {
    TXRRegFileViewerClassId(kModeInstall, log_, kInstallPath);
    TXRRegShellExtClassId(kModeInstall, log_, kInstallPath);
    SetString(HKEY_CLASSES_ROOT, std::string(kViewerClassKey) + "\\InProcServer32",
              "ThreadingModel", "apartment");
    SetString(HKEY_CLASSES_ROOT, std::string(kExtClassKey) + "\\InProcServer32",
              "ThreadingModel", "apartment");
    EXPECT_EQ(kCheckCorrect, TXRRegFileViewerClassId(kModeCheck, nullptr, kInstallPath));
    EXPECT_EQ(kCheckWrong, TXRRegShellExtClassId(kModeCheck, nullptr, kInstallPath));
}

TEST_F(ShellRegistrationTest, ClassChecksTakeModulePathsInAnyCaseAndNamesExactly) {
    TXRRegFileViewerClassId(kModeInstall, log_, kInstallPath);
    TXRRegShellExtClassId(kModeInstall, log_, kInstallPath);
    EXPECT_EQ(kCheckCorrect, TXRRegFileViewerClassId(kModeCheck, nullptr, "x:\\txr\\"));
    EXPECT_EQ(kCheckCorrect, TXRRegShellExtClassId(kModeCheck, nullptr, "x:\\Txr\\"));
    EXPECT_EQ(kCheckWrong, TXRRegFileViewerClassId(kModeCheck, nullptr, "Y:\\TXR\\"));
    EXPECT_EQ(kCheckWrong, TXRRegShellExtClassId(kModeCheck, nullptr, "X:\\TXR"))
        << "the path is taken as it stands";
    EXPECT_EQ(kCheckWrong, TXRRegFileViewerClassId(kModeCheck, nullptr, nullptr));

    SetString(HKEY_CLASSES_ROOT, kViewerClassKey, "", "orbisel - file viewer object");
    EXPECT_EQ(kCheckWrong, TXRRegFileViewerClassId(kModeCheck, nullptr, kInstallPath));
    HKEY server = nullptr;
    RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string(kExtClassKey) + "\\InProcServer32").c_str(), 0,
                  KEY_ALL_ACCESS, &server);
    RegDeleteValueA(server, "ThreadingModel");
    RegCloseKey(server);
    EXPECT_EQ(kCheckWrong, TXRRegShellExtClassId(kModeCheck, nullptr, kInstallPath));
}

TEST_F(ShellRegistrationTest, ModulePathsRunTheInstallPathAndTheModuleTogether) {
    EXPECT_EQ(kRegDone, TXRRegFileViewerClassId(kModeInstall, log_, "X:\\TXR"));
    EXPECT_EQ("X:\\TXRPROGRAM\\TXR.DLL",
              GetString(HKEY_CLASSES_ROOT, std::string(kViewerClassKey) + "\\InProcServer32", ""))
        << "no backslash is added";
    EXPECT_EQ(kCheckCorrect, TXRRegFileViewerClassId(kModeCheck, nullptr, "X:\\TXR"));
}

// A module path that does not fit 260 characters is not written cut short:
// the write fails as a failed write would.  A path that fits but exceeds
// the check's 256 bytes is written and then found wrong.
TEST_F(ShellRegistrationTest, ModulePathsThatDoNotFitAreNotWritten) {
    std::string tooLong = "X:\\" + std::string(241, 'D') + "\\";  // + "PROGRAM\TXR.DLL": 260
    EXPECT_EQ(kRegMinorFailure, TXRRegFileViewerClassId(kModeInstall, log_, tooLong.c_str()));
    EXPECT_EQ(std::vector<LogRecord>{Logged(19, 18, 1043)}, Records());
    std::string server = std::string(kViewerClassKey) + "\\InProcServer32";
    EXPECT_FALSE(GetValue(HKEY_CLASSES_ROOT, server, ""));
    EXPECT_EQ("Apartment", GetString(HKEY_CLASSES_ROOT, server, "ThreadingModel"));
    EXPECT_EQ(kCheckWrong, TXRRegFileViewerClassId(kModeCheck, nullptr, tooLong.c_str()));

    EXPECT_EQ(kRegFatal, TXRRegShellExtClassId(kModeInstall, log_, nullptr)) << "no path at all";
    EXPECT_EQ(Logged(27, 26, 1053), Records().back());
    EXPECT_EQ(1u, prompts_.shown().size());

    std::string fits = "X:\\" + std::string(236, 'D') + "\\";  // module path of 255
    EXPECT_EQ(kRegDone, TXRRegFileViewerClassId(kModeInstall, log_, fits.c_str()));
    EXPECT_EQ(kCheckCorrect, TXRRegFileViewerClassId(kModeCheck, nullptr, fits.c_str()));
    std::string beyondCheck = "X:\\" + std::string(238, 'D') + "\\";  // module path of 257
    EXPECT_EQ(kRegDone, TXRRegFileViewerClassId(kModeInstall, log_, beyondCheck.c_str()));
    EXPECT_EQ(kCheckWrong, TXRRegFileViewerClassId(kModeCheck, nullptr, beyondCheck.c_str()))
        << "read into 256 bytes";
}

TEST_F(ShellRegistrationTest, RemovingAClassRemovesItsWholeKey) {
    TXRRegShellExtClassId(kModeInstall, log_, kInstallPath);
    CreateKey(HKEY_CLASSES_ROOT, std::string(kExtClassKey) + "\\Extra\\Deeper");
    TXRRegShellExtClassId(kModeRemove, nullptr, nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kExtClassKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
}

// --- App Paths ---

TEST_F(ShellRegistrationTest, AppPathsHoldOnlyTheProgramsPath) {
    RegistryFaults faults;
    EXPECT_EQ(kRegDone, TXRRegTXR32AppPath(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(kRegDone, TXRRegTXRSuppAppPath(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(RegTree({{"", {{"", Sz("X:\\TXR\\PROGRAM\\TXR32.EXE")}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kViewerAppPathKey));
    EXPECT_EQ(RegTree({{"", {{"", Sz("X:\\TXR\\SUPPORT\\TXRSUPP.EXE")}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kSupportAppPathKey));
    for (const char* key : {kViewerAppPathKey, kSupportAppPathKey}) {
        EXPECT_EQ("Corvel", KeyClass(HKEY_LOCAL_MACHINE, key));
        EXPECT_EQ(std::vector<REGSAM>{kFull}, AccessAskedFor(faults, reg::Op::Create, key));
    }
}

TEST_F(ShellRegistrationTest, AppPathChecksTakeThePathInAnyCase) {
    TXRRegTXR32AppPath(kModeInstall, log_, kInstallPath);
    TXRRegTXRSuppAppPath(kModeInstall, log_, kInstallPath);
    EXPECT_EQ(kCheckCorrect, TXRRegTXR32AppPath(kModeCheck, nullptr, "x:\\txr\\"));
    SetString(HKEY_LOCAL_MACHINE, kSupportAppPathKey, "", "x:\\txr\\support\\txrsupp.exe");
    EXPECT_EQ(kCheckCorrect, TXRRegTXRSuppAppPath(kModeCheck, nullptr, kInstallPath));
    EXPECT_EQ(kCheckWrong, TXRRegTXRSuppAppPath(kModeCheck, nullptr, "X:\\TXR-\\"));
    SetString(HKEY_LOCAL_MACHINE, kViewerAppPathKey, "", "X:\\TX-R\\PROGRAM\\TXR32.EXE");
    EXPECT_EQ(kCheckWrong, TXRRegTXR32AppPath(kModeCheck, nullptr, "X:\\TXR\\"))
        << "a hyphen is a character like any other";
    EXPECT_EQ(kCheckWrong, TXRRegTXR32AppPath(kModeCheck, nullptr, nullptr));
}

TEST_F(ShellRegistrationTest, AppPathCheckReadsUpTo260Bytes) {
    std::string path = "X:\\" + std::string(238, 'D') + "\\";  // + "PROGRAM\TXR32.EXE": 259
    EXPECT_EQ(kRegDone, TXRRegTXR32AppPath(kModeInstall, log_, path.c_str()));
    EXPECT_EQ(kCheckCorrect, TXRRegTXR32AppPath(kModeCheck, nullptr, path.c_str()));
    std::string longer = path + "D";
    EXPECT_EQ(kRegMinorFailure, TXRRegTXR32AppPath(kModeInstall, log_, longer.c_str()));
    EXPECT_EQ(std::vector<LogRecord>{Logged(105, 106, 1041)}, Records());
    EXPECT_EQ(path + "PROGRAM\\TXR32.EXE", GetString(HKEY_LOCAL_MACHINE, kViewerAppPathKey, ""))
        << "the earlier value stays; nothing cut short is written";
}

}  // namespace
}  // namespace txr::test
