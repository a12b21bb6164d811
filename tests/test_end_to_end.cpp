// The real TXRSETUP.EXE started from the server share X:\TXR\ (laid out
// and mapped by scripts/test), against the prefix's own registry and
// system folder: unattended setup, silent uninstall, the uninstall
// question answered through the real message boxes, and runs that meet
// another one on the workstation.
#include "registration/error_log.h"
#include "setup/library_state.h"
#include "setup/setup_entry.h"
#include "tests/support/program_run.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/setup_registry.h"
#include "tests/support/workstation.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

namespace txr::test {
namespace {

constexpr const char* kShare = "X:\\TXR\\";
constexpr const char* kProduct = "Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TXR";

// Starts the launcher with arguments; while it runs, answers each message
// box it shows with the given button and records the box's text.
struct LaunchResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<std::string> boxes;
};

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

std::string BoxText(HWND box) {
    // The message box's text is its static control 0xFFFF.
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// Starts the launcher with arguments; null when it cannot be started.
HANDLE Start(const std::string& arguments, DWORD* threadId = nullptr) {
    std::string line = std::string("\"") + kShare + "TXRSETUP.EXE\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << line;
        return nullptr;
    }
    CloseHandle(process.hThread);
    if (threadId) *threadId = process.dwThreadId;
    return process.hProcess;
}

// Waits for a started launcher to end (closing its handle); meanwhile
// answers each message box of its thread with the given button.
LaunchResult Finish(HANDLE process, DWORD threadId, int answer = IDOK) {
    LaunchResult run;
    if (!process) return run;
    DWORD started = GetTickCount();
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - started > 60000) {
            ADD_FAILURE() << "the launcher did not end";
            TerminateProcess(process, 1);
            break;
        }
        HWND box = nullptr;
        EnumThreadWindows(threadId, &FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) continue;
        run.boxes.push_back(BoxText(box));
        HWND button = GetDlgItem(box, answer);
        if (!button) button = GetDlgItem(box, IDOK);
        SendMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        Sleep(100);
    }
    GetExitCodeProcess(process, &run.exitCode);
    CloseHandle(process);
    return run;
}

LaunchResult Launch(const std::string& arguments, int answer = IDOK) {
    DWORD threadId = 0;
    HANDLE process = Start(arguments, &threadId);
    return Finish(process, threadId, answer);
}

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() { Clean(); }
    ~EndToEndTest() override { Clean(); }

    // No product on the workstation, and the system's own Quick View.
    void Clean() {
        Launch("-s -u");
        MakeFolders(Viewers());
        DeleteFileA((Viewers() + "QUIKVIEW.ORG").c_str());
        WriteFile(Viewers() + "QUIKVIEW.EXE", "the system's Quick View");
    }
};

TEST_F(EndToEndTest, SilentUninstallOnAWorkstationWithoutTheProductChangesNothing) {
    RegTree machine = ReadTree(HKEY_LOCAL_MACHINE, "Software");
    RegTree classes = ReadTree(HKEY_CLASSES_ROOT, "");
    LaunchResult run = Launch("-s -u");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(machine, ReadTree(HKEY_LOCAL_MACHINE, "Software"));
    EXPECT_EQ(classes.size(), ReadTree(HKEY_CLASSES_ROOT, "").size());
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.EXE"));
}

TEST_F(EndToEndTest, UnattendedSetupThenSilentUninstall) {
    LaunchResult setup = Launch("-s");
    EXPECT_EQ(0u, setup.exitCode);
    EXPECT_TRUE(setup.boxes.empty()) << setup.boxes.front();
    EXPECT_EQ("X:\\TXR\\", GetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath"));
    EXPECT_EQ("X:\\TXR\\", GetString(HKEY_LOCAL_MACHINE, kProduct, "SourcePath"));
    EXPECT_EQ(4u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "MajorRelease"));
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "MinorRelease"));
    EXPECT_EQ(0u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "SubRelease"));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "Network"));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_EQ("X:\\TXR\\PROGRAM\\TXRSHARE.DLL",
              GetString(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel", "APIDLL"));
    EXPECT_EQ("X:\\TXR\\\\TXRSETUP.EXE -u", GetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"));
    EXPECT_EQ("Orbisel (Workstation)", GetString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"));
    EXPECT_EQ(ReadFile("X:\\TXR\\SUPPORT\\QUIKVIEW.EXE"), ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.ORG"));
    EXPECT_EQ("X:\\TXR\\PROGRAM\\TXRSE2.DLL",
              GetString(HKEY_CLASSES_ROOT,
                        "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}\\InProcServer32", ""));

    LaunchResult uninstall = Launch("-s -u");
    EXPECT_TRUE(uninstall.boxes.empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}"));
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.ORG"));
}

// Every server upgrade has users run setup again: after any number of
// setups, the uninstall gives the system's Quick View entries back.
TEST_F(EndToEndTest, SetupTwiceThenUninstallGivesTheSystemsQuickViewBack) {
    const std::string systemEntry = "QuickView\\.txt\\{F0F08735-0C36-101B-B086-0020AF07D0F4}";
    const std::string redundantItem = "txtfile\\QuickView";
    SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");
    SetString(HKEY_CLASSES_ROOT, systemEntry, "", "Text File");
    SetString(HKEY_CLASSES_ROOT, redundantItem, "", "*");
    SetString(HKEY_CLASSES_ROOT, kExchangeVerbKeys[0], "", "&Quick View,0,2");
    const RegTree before = ReadTree(HKEY_CLASSES_ROOT, "");

    for (int run = 1; run <= 2; ++run) {
        LaunchResult setup = Launch("-s");
        EXPECT_TRUE(setup.boxes.empty()) << "setup " << run;
        EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus")) << "setup " << run;
        EXPECT_EQ("Orbisel", GetString(HKEY_CLASSES_ROOT, "QuickView", "")) << "setup " << run;
    }
    EXPECT_EQ("Quick View", GetString(HKEY_CLASSES_ROOT, "QuickView.Original", ""))
        << "the saved copy keeps the system's name";
    Launch("-s -u");

    EXPECT_EQ(ExpectedClassesAfterUninstall(before), ReadTree(HKEY_CLASSES_ROOT, ""))
        << "the classes as before, less the documented leftovers";
    EXPECT_EQ("Quick View", GetString(HKEY_CLASSES_ROOT, "QuickView", ""));
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.ORG"));

    for (const char* key : {"QuickView", "txtfile\\QuickView", "CLSID\\{00020D05-0000-0000-C000-000000000046}"}) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    }
}

TEST_F(EndToEndTest, UninstallAsksAndConfirmsInRealMessageBoxes) {
    Launch("-s");
    LaunchResult declined = Launch("-u", IDNO);
    ASSERT_EQ(1u, declined.boxes.size());
    EXPECT_EQ("Are you sure you want to remove Orbisel?", declined.boxes[0]);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProduct)) << "No keeps the product";

    LaunchResult accepted = Launch("/U", IDYES);
    ASSERT_EQ(2u, accepted.boxes.size());
    EXPECT_EQ("Orbisel has been removed from your system.", accepted.boxes[1]);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct));
    EXPECT_EQ(0u, accepted.exitCode);
}

// HKLM's Software key, paths from HKLM's root, without its Classes (seen
// as HKEY_CLASSES_ROOT).
RegTree MachineSoftware() {
    RegTree tree;
    for (auto& [path, values] : ReadTree(HKEY_LOCAL_MACHINE, "Software")) {
        if (path == "Classes" || path.rfind("Classes\\", 0) == 0) continue;
        tree[path.empty() ? "Software" : "Software\\" + path] = values;
    }
    return tree;
}

// The keys in which actual differs from expected, one a line ("" when none).
std::string Differences(const RegTree& expected, const RegTree& actual) {
    std::string lines;
    for (const auto& [path, values] : expected) {
        auto found = actual.find(path);
        if (found == actual.end()) lines += "missing: " + path + "\n";
        else if (found->second != values) lines += "changed: " + path + "\n";
    }
    for (const auto& entry : actual) {
        if (!expected.count(entry.first)) lines += "added: " + entry.first + "\n";
    }
    return lines;
}

// True once a launcher's thread shows a window (its wizard or a box);
// false when it ended or showed none within a minute.
bool ShowsAWindow(HANDLE process, DWORD threadId) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < 60000) {
        HWND window = nullptr;
        EnumThreadWindows(threadId, &FindBox, reinterpret_cast<LPARAM>(&window));
        if (window) return true;
        if (WaitForSingleObject(process, 50) != WAIT_TIMEOUT) return false;
    }
    return false;
}

TEST_F(EndToEndTest, WhileTheWizardRunsAnotherRunSaysSoOrWaitsForItsEnd) {
    // The first run shows its wizard: it holds the workstation from before
    // the wizard until it ends.
    DWORD wizardThread = 0;
    HANDLE wizard = Start("", &wizardThread);
    ASSERT_TRUE(ShowsAWindow(wizard, wizardThread));

    LaunchResult interactive = Launch("");
    EXPECT_EQ(0u, interactive.exitCode);
    EXPECT_EQ(std::vector<std::string>{"Orbisel Workstation Setup is already running on your "
                                       "system. Please wait until it has finished, then start "
                                       "setup again."},
              interactive.boxes);

    DWORD unattendedThread = 0;
    HANDLE unattended = Start("-s", &unattendedThread);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(unattended, 2000))
        << "the unattended run waits";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct));

    // The wizard's process is killed: the lock it leaves is free, and the
    // waiting run goes on.
    TerminateProcess(wizard, 1);
    WaitForSingleObject(wizard, INFINITE);
    CloseHandle(wizard);
    LaunchResult setup = Finish(unattended, unattendedThread);
    EXPECT_EQ(0u, setup.exitCode);
    EXPECT_TRUE(setup.boxes.empty());
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_FALSE(GetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount"));
}

TEST_F(EndToEndTest, TwoUnattendedSetupsAtOnceEndWithOneInstallationAndNothingLost) {
    RegTree machine = MachineSoftware();
    RegTree classes = ReadTree(HKEY_CLASSES_ROOT, "");
    DWORD firstThread = 0, secondThread = 0;
    HANDLE first = Start("-s", &firstThread);
    HANDLE second = Start("-s", &secondThread);
    for (const LaunchResult& run : {Finish(first, firstThread), Finish(second, secondThread)}) {
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_TRUE(run.boxes.empty());
    }
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_FALSE(GetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount")) << "a clean error log";
    EXPECT_EQ("X:\\TXR\\", GetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath"));
    EXPECT_EQ(ReadFile("X:\\TXR\\SUPPORT\\QUIKVIEW.EXE"), ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.ORG"));

    EXPECT_TRUE(Launch("-s -u").boxes.empty());
    EXPECT_EQ("", Differences(ExpectedMachineAfterUninstall(machine, kShare), MachineSoftware()));
    EXPECT_EQ("", Differences(ExpectedClassesAfterUninstall(classes),
                              ReadTree(HKEY_CLASSES_ROOT, "")));
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.ORG"));
}

// A workstation with programs for the sample modules and a browser plug-in
// folder: Quillpad Editor on C: (found by the scan), and a Netscape whose
// plug-in folder holds QuickTime's module.
class UnattendedEndToEndTest : public EndToEndTest {
protected:
    UnattendedEndToEndTest() {
        WriteFile(kQuillpad + std::string("QUILLPAD.EXE"), "Quillpad Editor");
        WriteFile(kQuillpad + std::string("QUILLPAD.INI"), kQuillpadSettings);
        WriteFile(std::string(kNetscape) + "\\Program\\Plugins\\npqtw32.dll", "np");
        SetString(HKEY_CURRENT_USER, kNetscapeKey, "Install Directory", kNetscape);
        DeleteFileA(WindowsFile("XCVSETUP.INI").c_str());
    }
    ~UnattendedEndToEndTest() override {
        Clean();
        DeleteFolderTree(kQuillpad);
        DeleteFolderTree("C:\\Netscape");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape");
        DeleteFileA(WindowsFile("XCVSETUP.INI").c_str());
    }
    static std::optional<DWORD> AppStatus(const std::string& key) {
        return GetDword(HKEY_LOCAL_MACHINE, std::string(kProduct) + "\\Apps\\" + key, "Status");
    }
    static std::optional<DWORD> Enabled(const std::string& plugin) {
        return GetDword(HKEY_LOCAL_MACHINE, std::string(kProduct) + "\\Plugins\\" + plugin,
                        "Enabled");
    }

    static constexpr const char* kQuillpad = "C:\\Program Files\\Quillpad\\";
    static constexpr const char* kQuillpadSettings = "[Viewer]\r\nProgram=NOTEPAD.EXE\r\n";
    static constexpr const char* kNetscape = "C:\\Netscape\\Communicator";
    static constexpr const char* kNetscapeKey = "Software\\Netscape\\Netscape Navigator\\Main";
    ScratchFolder options_;
};

// Also under Wine's "win95" setting for the launcher, where the platform
// seams answer the functions Windows 95 exports only as stubs as it does.
TEST_F(UnattendedEndToEndTest, AFreshWorkstationIsSetUpIntegratedAndConfiguredSilently) {
    const std::string settings = "Software\\Wine\\AppDefaults\\TXRSETUP.EXE";
    for (const char* version : {"", "win95"}) {
        SCOPED_TRACE(std::string("Wine version setting: ") + version);
        if (*version) SetString(HKEY_CURRENT_USER, settings, "Version", version);
        LaunchResult setup = Launch("-s");
        EXPECT_EQ(0u, setup.exitCode);
        EXPECT_TRUE(setup.boxes.empty());
        EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
        EXPECT_EQ(2u, AppStatus("Quillpad")) << "found on C: and integrated";
        EXPECT_EQ(2u, AppStatus("Wayfarer"));
        EXPECT_EQ("[Viewer]\r\nProgram=X:\\TXR\\PROGRAM\\TXR32.EXE\r\n",
                  ReadFile(kQuillpad + std::string("QUILLPAD.INI")));
        EXPECT_EQ(1u, Enabled("Quicktime")) << "its module lies in Netscape's plug-in folder";
        EXPECT_EQ(0u, Enabled("Acrobat"));
        EXPECT_FALSE(FileExists(WindowsFile("XCVSETUP.INI")));

        EXPECT_EQ(0u, Launch("-s -u").exitCode);
        EXPECT_EQ(kQuillpadSettings, ReadFile(kQuillpad + std::string("QUILLPAD.INI")))
            << "the uninstall restores the program exactly";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct));
        RegDeleteTreeA(HKEY_CURRENT_USER, settings.c_str());
    }
}

TEST_F(UnattendedEndToEndTest, AnOptionsFileDecidesPerApplicationAndPlugin) {
    std::string options = options_ / "SITE OPTIONS.INI";
    WriteFile(options, "[Integrations]\r\nQuillpad=no\r\nStranger=YES\r\n"
                       "[Plugins]\r\nApple QuickTime=NO\r\n");
    LaunchResult setup = Launch(options);
    EXPECT_TRUE(setup.boxes.empty());
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_NE(2u, AppStatus("Quillpad").value_or(0)) << "no: the remove action, not integrated";
    EXPECT_EQ(kQuillpadSettings, ReadFile(kQuillpad + std::string("QUILLPAD.INI")));
    EXPECT_EQ(2u, AppStatus("Wayfarer")) << "missing: integrated";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kProduct) + "\\Apps\\Stranger"));
    EXPECT_EQ(0u, Enabled("Quicktime"));
    EXPECT_FALSE(FileExists(WindowsFile("XCVSETUP.INI")));

    // Integrated first, then NO: the integration stays.
    Launch("-s");
    ASSERT_EQ(2u, AppStatus("Quillpad"));
    Launch(options);
    EXPECT_EQ(2u, AppStatus("Quillpad"));
    EXPECT_EQ("[Viewer]\r\nProgram=X:\\TXR\\PROGRAM\\TXR32.EXE\r\n",
              ReadFile(kQuillpad + std::string("QUILLPAD.INI")));
}

// Quillpad's record damaged between two setups: the final uninstall gives
// the user's own viewer back, or its error log says what it could not undo.
TEST_F(UnattendedEndToEndTest, ADamagedApplicationRecordNeverLosesTheProgramsOwnViewer) {
    const std::string apps = std::string(kProduct) + "\\Apps\\Quillpad";
    const std::pair<const char*, std::function<void()>> damages[] = {
        {"AppPath elsewhere", [&] { SetString(HKEY_LOCAL_MACHINE, apps, "AppPath", "C:\\Gone\\"); }},
        {"SaveData garbled", [&] { SetValue(HKEY_LOCAL_MACHINE, apps, "SaveData", Binary({'Q'})); }},
        {"Status 1", [&] { SetDword(HKEY_LOCAL_MACHINE, apps, "Status", 1); }},
        {"Status 9", [&] { SetDword(HKEY_LOCAL_MACHINE, apps, "Status", 9); }},
        {"product key gone", [&] { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProduct); }},
    };
    for (const auto& [label, damage] : damages) {
        Launch("-s");
        damage();
        Launch("-s -u");
        Launch("-s");
        EXPECT_EQ(0u, Launch("-s -u").exitCode);
        bool restored = ReadFile(kQuillpad + std::string("QUILLPAD.INI")) == kQuillpadSettings;
        auto count = GetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount");
        bool logged = count && *count == 1 &&
                      GetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorString0") ==
                          "Could not undo the integration with Quillpad Editor" &&
                      GetDword(HKEY_LOCAL_MACHINE, apps, "Status") == 2u;
        EXPECT_TRUE(restored != logged) << label << ": restored " << restored << ", logged " << logged;
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProduct);
        WriteFile(kQuillpad + std::string("QUILLPAD.INI"), kQuillpadSettings);
    }
}

TEST_F(UnattendedEndToEndTest, ASetupFileAlreadyInTheWindowsDirectoryIsUsedAndDeleted) {
    WriteFile(WindowsFile("XCVSETUP.INI"), "[Plugins]\r\nApple QuickTime=NO\r\n");
    EXPECT_TRUE(Launch("-s").boxes.empty());
    EXPECT_EQ(0u, Enabled("Quicktime"));
    EXPECT_FALSE(FileExists(WindowsFile("XCVSETUP.INI")));
}

// ---------------------------------------------------------------------------
// stop_at_call.exe (tests/stop_at_call/) on the real launcher: its count of
// the library's calls is the same from one clean workstation to the next,
// and a stop ends the launcher before the call it stopped at.

// Runs stop_at_call.exe, which lies beside this program, with `arguments`;
// returns its exit code and what it wrote to its standard output.  A stop
// run is a whole setup under a debugger: it may take long when emulated.
ProgramRun RunStopAtCall(const std::string& arguments) {
    return RunProgram("\"" + OwnFolder() + "stop_at_call.exe\" " + arguments, INFINITE,
                      /*errorsToo=*/false);
}

// The number that the first line of `output` matching `pattern` holds in
// its first group, or -1 when no line matches.
long NumberOnLine(const std::string& output, const char* pattern) {
    const std::regex wanted(pattern);
    std::istringstream lines(output);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, match, wanted)) return std::stol(match[1].str());
    }
    return -1;
}

bool LauncherRunning() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry)) {
        found = lstrcmpiA(entry.szExeFile, "TXRSETUP.EXE") == 0;
    }
    CloseHandle(snapshot);
    return found;
}

TEST_F(EndToEndTest, StopAtCallCountsTheSameAndStopsBeforeTheCall) {
    const std::string launcher = std::string(kShare) + "TXRSETUP.EXE -s";
    ProgramRun first = RunStopAtCall("--trace --count " + launcher);
    ASSERT_EQ(0u, first.exitCode) << first.output;
    long calls = NumberOnLine(first.output, "calls (\\d+)");
    EXPECT_GT(calls, 100) << first.output;
    EXPECT_EQ(0, NumberOnLine(first.output, "exit (\\d+)"));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    Clean();
    ProgramRun second = RunStopAtCall("--count " + launcher);
    EXPECT_EQ(calls, NumberOnLine(second.output, "calls (\\d+)"))
        << "a clean workstation, the same calls";
    Clean();

    // Stopped at the write of the installation status: the product's key
    // is there, the status is not, and the launcher is gone.
    long k = NumberOnLine(first.output, "call (\\d+) RegSetValueExA \\S+ \"InstallStatus\"");
    ASSERT_GT(k, 0) << first.output;
    ProgramRun stopped = RunStopAtCall("--stop " + std::to_string(k) + " " + launcher);
    EXPECT_EQ(0u, stopped.exitCode) << stopped.output;
    EXPECT_EQ("stopped at " + std::to_string(k) + " RegSetValueExA\nexit 1\n", stopped.output);
    EXPECT_FALSE(LauncherRunning());
    EXPECT_EQ("X:\\TXR\\", GetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath"));
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    Clean();

    ProgramRun past = RunStopAtCall("--stop " + std::to_string(calls + 1) + " " + launcher);
    EXPECT_EQ(3u, past.exitCode);
    EXPECT_EQ("ended after " + std::to_string(calls) + " calls\nexit 0\n", past.output);
}

// ---------------------------------------------------------------------------
// The stop-at-every-step simulation of fault_injection_tests, confirmed
// with real kills.  The simulation runs TXRSetup in this process against
// this prefix's own registry and files, and abandons the run at step k (no
// call from then on reaches the registry or the disk); stop_at_call.exe
// ends a real TXRSETUP.EXE with TerminateProcess just before its k-th
// call.  For a sample of steps spread over the setup and the uninstall,
// both must leave the same registry and files, and an uninstall must give
// the workstation back from either.

class RealKillTest : public EndToEndTest {
protected:
    RealKillTest() {
        lstrcpynA(Library().setupDirectory, kShare, kPathSize);
        SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");
        SetString(HKEY_CLASSES_ROOT, kSystemEntry, "", "Text File");
        SetString(HKEY_CLASSES_ROOT, "txtfile\\QuickView", "", "*");
        SetString(HKEY_CLASSES_ROOT, kExchangeVerbKeys[0], "", "&Quick View,0,2");
        // One whole round first: what an uninstall leaves stays the same
        // from then on, so every stop starts from the same workstation.
        Launch("-s");
        Launch("-s -u");
        clean_ = Take();
    }
    ~RealKillTest() override {
        Launch("-s -u");
        for (const char* key : {"QuickView", "txtfile\\QuickView",
                                "CLSID\\{00020D05-0000-0000-C000-000000000046}"}) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
            RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
        }
    }

    static constexpr const char* kSystemEntry =
        "QuickView\\.txt\\{F0F08735-0C36-101B-B086-0020AF07D0F4}";

    // The workstation as setup sees it: the classes, the machine's software
    // (less its view of the classes) and the files setup saves and replaces.
    struct Picture {
        RegTree classes, software;
        std::optional<std::string> viewer, saved, pluginSetup;
        bool operator==(const Picture& o) const {
            return classes == o.classes && software == o.software && viewer == o.viewer &&
                   saved == o.saved && pluginSetup == o.pluginSetup;
        }
    };
    static std::optional<std::string> Read(const std::string& path) {
        if (!FileExists(path)) return {};
        return ReadFile(path);
    }
    // The part of the registry setup may change (ReadSetupRegistry), and
    // the files.
    static Picture Take() {
        SetupRegistry registry = ReadSetupRegistry();
        return Picture{std::move(registry.classes), std::move(registry.software),
                       Read(Viewers() + "QUIKVIEW.EXE"), Read(Viewers() + "QUIKVIEW.ORG"),
                       Read(WindowsFile("XCVSETUP.INI"))};
    }
    // Where two pictures differ, for a failure message.
    static std::string Differences(const Picture& a, const Picture& b) {
        std::string out;
        auto trees = [&out](const char* what, const RegTree& x, const RegTree& y) {
            for (const auto& [key, values] : x) {
                auto other = y.find(key);
                if (other == y.end()) out += std::string(what) + " only first: " + key + "\n";
                else if (other->second != values) out += std::string(what) + " differs: " + key + "\n";
            }
            for (const auto& entry : y) {
                if (!x.count(entry.first)) out += std::string(what) + " only second: " + entry.first + "\n";
            }
        };
        trees("HKCR", a.classes, b.classes);
        trees("HKLM\\Software", a.software, b.software);
        if (a.viewer != b.viewer || a.saved != b.saved || a.pluginSetup != b.pluginSetup) {
            out += "files differ\n";
        }
        return out;
    }

    // Compares without printing the pictures (thousands of keys): only
    // where they differ.
    void ExpectSame(const Picture& expected, const std::string& label,
                    std::optional<Picture> actual = {}) {
        if (!actual) actual = Take();
        EXPECT_TRUE(expected == *actual) << label << "\n" << Differences(expected, *actual);
    }

    // The in-process run of the launcher's command line, stopped at `step`
    // (0: not stopped); returns the number of steps it came to.
    static unsigned Simulate(const std::string& arguments, unsigned step) {
        ResetErrorLogForTesting();
        Library().optionsFilePath[0] = '\0';
        StoppedRun run(step);
        std::string line = arguments;
        TXRSetup(line.data());
        return run.steps();
    }
    static ProgramRun Kill(const std::string& arguments, unsigned step) {
        return RunStopAtCall("--stop " + std::to_string(step) + " " + kShare + "TXRSETUP.EXE " +
                             arguments);
    }
    // Steps spread evenly over 1..steps, both ends included.
    static std::vector<unsigned> Spread(unsigned steps, unsigned count) {
        std::vector<unsigned> chosen;
        for (unsigned n = 0; n < count; ++n) chosen.push_back(1 + n * (steps - 1) / (count - 1));
        return chosen;
    }
    // About 20 stops natively; where the processor is emulated
    // (TXR_STOP_SAMPLE set) both ends of each sequence and its middle.
    static unsigned SampleSize(unsigned native) {
        return std::getenv("TXR_STOP_SAMPLE") ? 3 : native;
    }

    // Stops `arguments` at each chosen step, in this process and for real
    // (after `before`, which brings the workstation to where the run
    // starts), and compares; an uninstall must then give the clean
    // workstation back.
    void StopBothWays(const std::string& arguments, const std::vector<unsigned>& steps,
                      const std::string& before) {
        for (unsigned step : steps) {
            const std::string label = arguments + " stopped at step " + std::to_string(step);
            const DWORD started = GetTickCount();
            if (!before.empty()) Launch(before);
            Simulate(arguments, step);
            const Picture simulated = Take();
            Launch("-s -u");
            ExpectSame(clean_, label + " in this process, then -s -u");

            if (!before.empty()) Launch(before);
            ProgramRun killed = Kill(arguments, step);
            EXPECT_EQ(0, killed.output.find("stopped at " + std::to_string(step) + " "))
                << label << ": " << killed.output;
            EXPECT_FALSE(LauncherRunning()) << label;
            const Picture real = Take();
            ExpectSame(simulated, label + ": the real kill left something else than the simulation", real);
            Launch("-s -u");
            ExpectSame(clean_, label + " for real, then -s -u");
            std::printf("%s: %lu ms\n", label.c_str(), GetTickCount() - started);
            if (HasFailure()) return;
        }
    }

    Picture clean_;
    // Answers the boxes of stopped in-process runs: from the stop on every
    // call fails, and a fatal failure shows its box (nothing of that
    // reaches the registry, as with a killed process).
    ScriptedPrompts prompts_;
};

TEST_F(RealKillTest, KillsAtChosenStepsLeaveWhatTheSimulationLeaves) {
    // The simulation counts the same steps as the real launcher makes.
    const unsigned setupSteps = Simulate("-s", 0);
    const unsigned uninstallSteps = Simulate("-s -u", 0);
    EXPECT_TRUE(prompts_.shown().empty()) << "a whole run shows no box: " << prompts_.shown()[0].text;
    ProgramRun counted = RunStopAtCall(std::string("--count ") + kShare + "TXRSETUP.EXE -s");
    EXPECT_EQ(static_cast<long>(setupSteps), NumberOnLine(counted.output, "calls (\\d+)"));
    counted = RunStopAtCall(std::string("--count ") + kShare + "TXRSETUP.EXE -s -u");
    EXPECT_EQ(static_cast<long>(uninstallSteps), NumberOnLine(counted.output, "calls (\\d+)"));
    ExpectSame(clean_, "after the counting runs");
    ASSERT_FALSE(HasFailure());

    const std::vector<unsigned> setup = Spread(setupSteps, SampleSize(12));
    const std::vector<unsigned> uninstall = Spread(uninstallSteps, SampleSize(8));
    StopBothWays("-s", setup, "");
    StopBothWays("-s -u", uninstall, "-s");
    std::printf("real kills: %zu of the setup's %u steps and %zu of the uninstall's %u agree "
                "with the simulation\n",
                setup.size(), setupSteps, uninstall.size(), uninstallSteps);
}

}  // namespace
}  // namespace txr::test
