// The real Support Tool X:\TXR\SUPPORT\TXRSUPP.EXE, with the real
// TXRUP450.DLL of the share X:\TXR\ (laid out and mapped by scripts/test),
// against the prefix's own registry: a workstation set up by the real
// launcher, one without the product, one with a broken entry, error logs
// of every shape, the repair, the report file, and the tool's own
// failures.
#include "registration/message_text.h"
#include "setup/setup_lock.h"
#include "support_tool/report_file.h"
#include "tests/support/program_run.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/setup_registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace txr::test {
namespace {

constexpr const char* kLauncher = "X:\\TXR\\TXRSETUP.EXE";
constexpr const char* kTool = "X:\\TXR\\SUPPORT\\TXRSUPP.EXE";
constexpr const char* kProduct = "Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr const char* kFileViewerClass = "CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kQuickViewCommand = "QuickView\\Shell\\Open\\Command";
constexpr DWORD kExitNoReport = 253;
constexpr DWORD kExitCannotRun = 254;
constexpr DWORD kExitUsage = 255;

// The checks in the tool's order: title and problem text.
struct CheckTexts {
    const char* name;
    int title;
    int problem;
};
constexpr CheckTexts kChecks[] = {
    {"ContextMenu", 117, 118},       {"NTShellApproved", 116, 119},
    {"QuickView", 120, 121},         {"QuickViewOther", 164, 165},
    {"QuickViewDefault", 122, 123},  {"QuickViewCommand", 139, 140},
    {"FileViewerClassId", 124, 125}, {"ShellExtClassId", 126, 127},
    {"ExchangeMenu", 128, 129},      {"ExchangeWordMenu", 130, 131},
    {"TXR32AppPath", 135, 136},      {"TXRSuppAppPath", 137, 138},
    {"QuickViewProgram", 172, 173},
};

ProgramRun RunTool(const std::string& arguments = "", const std::string& tool = kTool) {
    return RunProgram("\"" + tool + "\"" + (arguments.empty() ? "" : " " + arguments));
}

DWORD RunLauncher(const std::string& arguments) {
    return RunProgram(std::string("\"") + kLauncher + "\" " + arguments).exitCode;
}

// Every run of blanks and line breaks as one blank: the report breaks its
// long lines, and the comparisons should not depend on where.
std::string Flat(const std::string& text) {
    std::string flat;
    for (char c : text) {
        bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (blank && (flat.empty() || flat.back() == ' ')) continue;
        flat += blank ? ' ' : c;
    }
    if (!flat.empty() && flat.back() == ' ') flat.pop_back();
    return flat;
}

bool Shows(const ProgramRun& run, const std::string& text) {
    return Flat(run.output).find(Flat(text)) != std::string::npos;
}

// "OK", "PROBLEM" or "" (not reported) for each check, by name.
std::map<std::string, std::string> Verdicts(const ProgramRun& run) {
    std::map<std::string, std::string> verdicts;
    for (const CheckTexts& check : kChecks) {
        std::string title = LoadMessageText(check.title);
        if (Shows(run, title + " ... OK")) {
            verdicts[check.name] = "OK";
        } else if (Shows(run, title + " ... PROBLEM")) {
            verdicts[check.name] = "PROBLEM";
        } else {
            verdicts[check.name] = "";
        }
    }
    return verdicts;
}

std::map<std::string, std::string> AllOkExcept(const std::vector<std::string>& failing) {
    std::map<std::string, std::string> verdicts;
    for (const CheckTexts& check : kChecks) verdicts[check.name] = "OK";
    for (const std::string& name : failing) verdicts[name] = "PROBLEM";
    return verdicts;
}

int TitleOf(const std::string& name) {
    for (const CheckTexts& check : kChecks) {
        if (name == check.name) return check.title;
    }
    return 0;
}

std::string ProblemText(const std::string& name) {
    for (const CheckTexts& check : kChecks) {
        if (name == check.name) return LoadMessageText(check.problem);
    }
    return "?";
}

void DeleteValue(HKEY root, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

class SupportToolTest : public ::testing::Test {
protected:
    SupportToolTest() { RunLauncher("-s -u"); }
    ~SupportToolTest() override { RunLauncher("-s -u"); }

    void SetUpWorkstation() { ASSERT_EQ(0u, RunLauncher("-s")); }
};

TEST_F(SupportToolTest, HealthyWorkstationPassesEveryCheckAndShowsItsRecord) {
    SetUpWorkstation();
    ProgramRun run = RunTool();
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(AllOkExcept({}), Verdicts(run)) << run.output;
    EXPECT_TRUE(Shows(run, "Library: X:\\TXR\\TXRUP450.DLL")) << run.output;
    EXPECT_TRUE(Shows(run, "Version: 4.5.0\n")) << run.output;
    EXPECT_TRUE(Shows(run, "InstallPath: X:\\TXR\\\n")) << run.output;
    EXPECT_TRUE(Shows(run, "SourcePath: X:\\TXR\\\n")) << run.output;
    EXPECT_TRUE(Shows(run, "Network: 1 (runs from the server)")) << run.output;
    EXPECT_TRUE(Shows(run, "InstallStatus: 1 (set up without errors)")) << run.output;
    EXPECT_TRUE(Shows(run, "ErrorCount: (missing: no failures recorded)")) << run.output;
    EXPECT_TRUE(Shows(run, "All 14 checks passed.")) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("PROBLEM")) << run.output;
}

TEST_F(SupportToolTest, WorkstationWithoutTheProductFailsTheRecordAndEveryMissingEntry) {
    // The open-command key stays after an uninstall when it held more than
    // the product put there; whether it is there depends on what ran in
    // this prefix before.
    std::vector<std::string> failing = {"ContextMenu",       "NTShellApproved",
                                        "QuickViewDefault",  "FileViewerClassId",
                                        "ShellExtClassId",   "TXR32AppPath",
                                        "TXRSuppAppPath",    "QuickViewProgram"};
    if (!KeyExists(HKEY_CLASSES_ROOT, kQuickViewCommand)) failing.push_back("QuickViewCommand");

    ProgramRun run = RunTool();
    EXPECT_EQ(AllOkExcept(failing), Verdicts(run)) << run.output;
    EXPECT_EQ(failing.size() + 1, run.exitCode) << "the missing record counts as one";
    EXPECT_TRUE(Shows(run, "PROBLEM: there is no installation record")) << run.output;
    for (const std::string& name : failing) {
        EXPECT_TRUE(Shows(run, ProblemText(name))) << name << "\n" << run.output;
    }
    EXPECT_FALSE(Shows(run, ProblemText("ExchangeMenu"))) << run.output;
    EXPECT_TRUE(Shows(run, std::to_string(failing.size() + 1) + " of 14 checks failed."))
        << run.output;
}

TEST_F(SupportToolTest, BrokenClassEntryFailsExactlyItsCheck) {
    SetUpWorkstation();
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CLASSES_ROOT, kFileViewerClass));
    ProgramRun run = RunTool();
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_EQ(AllOkExcept({"FileViewerClassId"}), Verdicts(run)) << run.output;
    EXPECT_TRUE(Shows(run, ProblemText("FileViewerClassId"))) << run.output;
    EXPECT_TRUE(Shows(run, "1 of 14 checks failed.")) << run.output;
}

TEST_F(SupportToolTest, ModulePathsAreCheckedAgainstTheRecordedPath) {
    SetUpWorkstation();
    // The App Paths check ignores letter case.
    SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe",
              "", "x:\\txr\\program\\txr32.exe");
    EXPECT_EQ(0u, RunTool().exitCode);

    SetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath", "Y:\\ELSEWHERE\\");
    ProgramRun run = RunTool();
    EXPECT_TRUE(Shows(run, "InstallPath: Y:\\ELSEWHERE\\")) << run.output;
    EXPECT_EQ(AllOkExcept({"FileViewerClassId", "ShellExtClassId", "TXR32AppPath",
                           "TXRSuppAppPath", "QuickViewProgram"}),
              Verdicts(run))
        << run.output;
    EXPECT_EQ(5u, run.exitCode);
}

TEST_F(SupportToolTest, RecordWithOnlyItsPathShowsThePresetsAndPasses) {
    SetUpWorkstation();
    for (const char* name : {"MajorRelease", "MinorRelease", "SubRelease", "Network",
                             "InstallStatus", "SourcePath"}) {
        DeleteValue(HKEY_LOCAL_MACHINE, kProduct, name);
    }
    ProgramRun run = RunTool();
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_TRUE(Shows(run, "Version: 4.5.0 (MajorRelease, MinorRelease, SubRelease missing: "
                           "setup's presets shown)"))
        << run.output;
    EXPECT_TRUE(Shows(run, "SourcePath: (missing)")) << run.output;
    EXPECT_TRUE(Shows(run, "Network: (missing) (a local installation)")) << run.output;
    EXPECT_TRUE(Shows(run, "InstallStatus: (missing)")) << run.output;
}

TEST_F(SupportToolTest, RecordWithoutAPathFailsAndItsPathChecksToo) {
    SetUpWorkstation();
    DeleteValue(HKEY_LOCAL_MACHINE, kProduct, "InstallPath");
    ProgramRun run = RunTool();
    EXPECT_TRUE(Shows(run, "InstallPath: (missing)")) << run.output;
    EXPECT_TRUE(Shows(run, "PROBLEM: the record holds no installation path.")) << run.output;
    EXPECT_EQ(AllOkExcept({"FileViewerClassId", "ShellExtClassId", "TXR32AppPath",
                           "TXRSuppAppPath", "QuickViewProgram"}),
              Verdicts(run))
        << run.output;
    EXPECT_EQ(6u, run.exitCode);
}

TEST_F(SupportToolTest, ErrorLogIsShownRecordByRecordWhateverItHolds) {
    SetUpWorkstation();
    const std::string what = LoadMessageText(107);
    const std::string effect = LoadMessageText(106);
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus", 2);
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount", 2);
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "Error0", 1040);
    SetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorString0", what);
    SetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorDescription0", effect);
    // Record 1: a text without its terminator, a description that is no
    // text, a code that is no number.
    SetString(HKEY_LOCAL_MACHINE, kProduct, "Error1", "1101");
    const std::string unterminated = "Could not add NT Shell Extensions Approved entry";
    SetValue(HKEY_LOCAL_MACHINE, kProduct, "ErrorString1",
             Binary(std::vector<BYTE>(unterminated.begin(), unterminated.end()), REG_SZ));
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorDescription1", 7);
    // Record 2, left by an earlier run that failed more often.
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "Error2", 1030);
    SetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorString2", LoadMessageText(16));

    ProgramRun run = RunTool();
    EXPECT_EQ(0u, run.exitCode) << "the log is information, not a check\n" << run.output;
    EXPECT_TRUE(Shows(run, "InstallStatus: 2 (set up with errors: see the error log)"))
        << run.output;
    EXPECT_TRUE(Shows(run, "ErrorCount: 2\n  Error 0: code 1040\n" + what + "\n" + effect + "\n"))
        << run.output;
    EXPECT_TRUE(Shows(run, "Error 1: code (not a number: registry type 1)\n" + unterminated +
                               "\n(not a text: registry type 4)"))
        << run.output;
    EXPECT_TRUE(Shows(run, "Records beyond ErrorCount (left by an earlier setup run):\n"
                           "Error 2: code 1030\n" +
                               std::string(LoadMessageText(16)) + "\n(missing)"))
        << run.output;
    EXPECT_FALSE(Shows(run, "Error 3:")) << run.output;
}

TEST_F(SupportToolTest, ErrorLogOfAnEarlierRunBesideACleanStatusIsPointedOut) {
    SetUpWorkstation();
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount", 1);
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "Error0", 1070);
    ProgramRun run = RunTool();
    EXPECT_TRUE(Shows(run, "Error 0: code 1070\n(missing)\n(missing)")) << run.output;
    EXPECT_TRUE(Shows(run, "The last setup recorded no failures (InstallStatus 1): these records "
                           "may come from an earlier run."))
        << run.output;
}

TEST_F(SupportToolTest, OversizedLogValuesAndAHugeCountStayBounded) {
    SetUpWorkstation();
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount", 0xFFFFFFFF);
    SetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorString0", std::string(5000, 'x'));
    SetValue(HKEY_LOCAL_MACHINE, kProduct, "ErrorDescription0",
             Binary(std::vector<BYTE>(2 << 20, 'y'), REG_SZ));
    ProgramRun run = RunTool();
    EXPECT_EQ(0u, run.exitCode) << run.output.substr(0, 2000);
    const std::string flat = Flat(run.output);
    EXPECT_NE(std::string::npos, flat.find(std::string(1024, 'x') + " [...]"));
    EXPECT_EQ(std::string::npos, flat.find(std::string(1025, 'x')));
    // Wine's ANSI registry calls may count a terminator of their own.
    EXPECT_NE(std::string::npos, flat.find("(a text of 209715")) << flat.substr(0, 2000);
    EXPECT_NE(std::string::npos, flat.find(" bytes, not shown)"));
    EXPECT_NE(std::string::npos, flat.find("Error 99: code (missing)"));
    EXPECT_EQ(std::string::npos, flat.find("Error 100:"));
    EXPECT_NE(std::string::npos, flat.find("... 4294967195 more records not shown"));
    // No line of the report is longer than a console line, but for the one
    // word longer than any line.
    std::size_t start = 0;
    while (start < run.output.size()) {
        std::size_t end = run.output.find('\n', start);
        if (end == std::string::npos) end = run.output.size();
        std::string line = run.output.substr(start, end - start);
        if (line.find("xxxxxxxx") == std::string::npos) {
            EXPECT_LE(line.size(), 79u) << line;
        }
        start = end + 1;
    }
}

TEST_F(SupportToolTest, HelpAndUnknownOptions) {
    ProgramRun help = RunTool("--help");
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_TRUE(Shows(help, "Usage: TXRSUPP [--repair] [--report PATH] [--help]")) << help.output;
    EXPECT_TRUE(Shows(help, "255 unknown option")) << help.output;
    EXPECT_TRUE(Shows(help, "253 the report file could not be written")) << help.output;
    EXPECT_TRUE(Shows(help, "252 a setup kept running on this workstation")) << help.output;
    EXPECT_TRUE(Shows(help, "1 to 14 the number of failed checks")) << help.output;
    EXPECT_EQ(std::string::npos, help.output.find("Checks\n")) << "help runs no check";

    ProgramRun unknown = RunTool("--fix-everything");
    EXPECT_EQ(kExitUsage, unknown.exitCode);
    EXPECT_TRUE(Shows(unknown, "TXRSUPP: unknown option --fix-everything")) << unknown.output;
    EXPECT_TRUE(Shows(unknown, "Usage: TXRSUPP [--repair]")) << unknown.output;
    for (const char* arguments : {"--report", "--report --repair", "--repair --report -h"}) {
        ProgramRun noPath = RunTool(arguments);
        EXPECT_EQ(kExitUsage, noPath.exitCode) << arguments;
        EXPECT_TRUE(Shows(noPath, "--report needs the PATH")) << noPath.output;
    }
}

TEST_F(SupportToolTest, WithoutTheLibraryAboveItTheToolSaysWhereItLooked) {
    ScratchFolder root;
    MakeFolders(root / "SUPPORT");
    const std::string tool = root / "SUPPORT\\TXRSUPP.EXE";
    ASSERT_TRUE(CopyFileA(kTool, tool.c_str(), FALSE));
    ProgramRun run = RunTool("", tool);
    EXPECT_EQ(kExitCannotRun, run.exitCode);
    EXPECT_TRUE(Shows(run, "TXRSUPP: cannot load the Orbisel library " + (root / "TXRUP450.DLL")))
        << run.output;
    EXPECT_TRUE(Shows(run, "must lie in the SUPPORT folder")) << run.output;
}

TEST_F(SupportToolTest, ALibraryWithoutTheExportsIsRefused) {
    // The launcher tests' stand-in library exports TXRSetup only.
    const std::string stub = OwnFolder() + "stub\\TXRUP450.DLL";

    ScratchFolder root;
    MakeFolders(root / "SUPPORT");
    const std::string tool = root / "SUPPORT\\TXRSUPP.EXE";
    ASSERT_TRUE(CopyFileA(kTool, tool.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(stub.c_str(), (root / "TXRUP450.DLL").c_str(), FALSE)) << stub;
    ProgramRun run = RunTool("", tool);
    EXPECT_EQ(kExitCannotRun, run.exitCode);
    EXPECT_TRUE(Shows(run, (root / "TXRUP450.DLL") + " lacks the export TXRGetRegInfo"))
        << run.output;
}


// --- the repair and the report file ---

constexpr const char* kSystemViewerEntry =
    "QuickView\\.txt\\{F0F08735-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kFileTypeItem = "txrtestfile\\QuickView";
constexpr const char* kExchangeVerb = "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2";
constexpr const char* kWordMailVerb = "CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2";
constexpr const char* kMenuHandlers = "*\\shellex\\ContextMenuHandlers";
constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr const char* kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const char* kShellExtClassId = "{F0F08737-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kShellExtServer =
    "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}\\InProcServer32";
constexpr const char* kDefaultViewer = "QuickView\\*\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";

void DeleteTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

// The part of the registry setup may change (ReadSetupRegistry), the
// machine's software below "HKLM\", and the Quick View programs as the
// values of a key "VIEWERS".
RegTree Picture() {
    SetupRegistry registry = ReadSetupRegistry();
    RegTree picture = std::move(registry.classes);
    for (auto& [path, values] : registry.software) picture["HKLM\\" + path] = std::move(values);
    for (const char* file : {"QUIKVIEW.EXE", "QUIKVIEW.ORG"}) {
        std::string path = Viewers() + file;
        if (FileExists(path)) picture["VIEWERS"][file] = Sz(ReadFile(path));
    }
    return picture;
}

// The keys in which two pictures differ, one a line.
std::string Differences(const RegTree& before, const RegTree& after) {
    std::string lines;
    for (const auto& [path, values] : before) {
        if (!after.count(path) || after.at(path) != values) lines += "changed: " + path + "\n";
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first)) lines += "added: " + entry.first + "\n";
    }
    return lines;
}

std::string ReportValue(const std::string& file, const char* section, const std::string& key) {
    char value[1024];
    GetPrivateProfileStringA(section, key.c_str(), "(none)", value, sizeof value, file.c_str());
    return value;
}

std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}

// A workstation with all that setup takes over: the system's Quick View
// entries and program, a file type's Quick View item, Exchange's verbs.
class RepairTest : public SupportToolTest {
protected:
    RepairTest() {
        DeleteTree(HKEY_CLASSES_ROOT, "QuickView");
        SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");
        SetString(HKEY_CLASSES_ROOT, kSystemViewerEntry, "", "Text File");
        SetString(HKEY_CLASSES_ROOT, kFileTypeItem, "", "*");
        SetString(HKEY_CLASSES_ROOT, kExchangeVerb, "", "&Quick View,0,2");
        SetString(HKEY_CLASSES_ROOT, kWordMailVerb, "", "&Quick View, 0, 2");
        MakeFolders(Viewers());
        DeleteFileA((Viewers() + "QUIKVIEW.ORG").c_str());
        WriteFile(Viewers() + "QUIKVIEW.EXE", "the system's Quick View");
    }
    ~RepairTest() override {
        RunLauncher("-s -u");
        for (const char* key : {"QuickView", "txrtestfile",
                                "CLSID\\{00020D05-0000-0000-C000-000000000046}",
                                "CLSID\\{0006FE04-0000-0000-C000-000000000046}"}) {
            DeleteTree(HKEY_CLASSES_ROOT, key);
        }
    }
};

TEST_F(RepairTest, RepairPutsRightEachBrokenRegistrationOnItsOwnAndNothingElse) {
    SetUpWorkstation();
    const RegTree setUp = Picture();
    auto deleteKey = [](HKEY root, std::string path) { return [=] { DeleteTree(root, path); }; };
    auto set = [](HKEY root, std::string path, std::string text) {
        return [=] { SetString(root, path, "", text); };
    };
    const std::pair<const char*, std::function<void()>> breaks[] = {
        {"ContextMenu", deleteKey(HKEY_CLASSES_ROOT, std::string(kMenuHandlers) + "\\OrbiselMenu")},
        {"NTShellApproved", [] { DeleteValue(HKEY_LOCAL_MACHINE, kApproved, kShellExtClassId); }},
        {"QuickViewOther", set(HKEY_CLASSES_ROOT, kFileTypeItem, "*")},
        {"QuickViewDefault", deleteKey(HKEY_CLASSES_ROOT, kDefaultViewer)},
        {"QuickViewCommand", deleteKey(HKEY_CLASSES_ROOT, kQuickViewCommand)},
        {"FileViewerClassId", deleteKey(HKEY_CLASSES_ROOT, kFileViewerClass)},
        {"ShellExtClassId", set(HKEY_CLASSES_ROOT, kShellExtServer, "C:\\OLD\\TXRSE2.DLL")},
        {"ExchangeMenu", set(HKEY_CLASSES_ROOT, kExchangeVerb, "&Quick View,0,2")},
        {"ExchangeWordMenu", set(HKEY_CLASSES_ROOT, kWordMailVerb, "&Quick View, 0, 2")},
        {"TXR32AppPath", deleteKey(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "txr32.exe")},
        {"TXRSuppAppPath", set(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "txrsupp.exe", "X")},
        {"QuickViewProgram", [] { WriteFile(Viewers() + "QUIKVIEW.EXE", "another program's"); }},
        // Last: its repair saves first what the saved copy lacks, as a
        // reinstall does, and the copy may gain the product's entries.
        {"QuickView", set(HKEY_CLASSES_ROOT, kSystemViewerEntry, "Text File")},
    };
    for (const auto& [check, breakIt] : breaks) {
        breakIt();
        EXPECT_EQ(AllOkExcept({check}), Verdicts(RunTool())) << check;
        ProgramRun run = RunTool("--repair");
        EXPECT_EQ(0u, run.exitCode) << check << "\n" << run.output;
        EXPECT_TRUE(Shows(run, LoadMessageText(TitleOf(check)) + std::string(" ... REPAIRED")));
        RegTree repaired = Picture();
        for (auto at = repaired.begin(); at != repaired.end();) {
            bool gained =
                at->first.rfind("QuickView.Original\\", 0) == 0 && !setUp.count(at->first);
            at = gained ? repaired.erase(at) : std::next(at);
        }
        EXPECT_EQ("", Differences(setUp, repaired)) << check;
    }
    RunLauncher("-s -u");
    EXPECT_EQ("Quick View", GetString(HKEY_CLASSES_ROOT, "QuickView", ""));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kSystemViewerEntry));
    EXPECT_EQ("the system's Quick View", ReadFile(Viewers() + "QUIKVIEW.EXE"));
}

// Another program puts the system's Quick View entries back on a
// workstation whose setup found none to save.
TEST_F(SupportToolTest, RepairAfterTheSystemsQuickViewEntriesWerePutBack) {
    DeleteTree(HKEY_CLASSES_ROOT, "QuickView");
    SetUpWorkstation();
    SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");
    SetString(HKEY_CLASSES_ROOT, kSystemViewerEntry, "", "Text File");
    EXPECT_EQ(0u, RunTool("--repair").exitCode);
    EXPECT_EQ(AllOkExcept({}), Verdicts(RunTool()));
    RunLauncher("-s -u");
    EXPECT_EQ("Quick View", GetString(HKEY_CLASSES_ROOT, "QuickView", ""));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kSystemViewerEntry));
    DeleteTree(HKEY_CLASSES_ROOT, "QuickView");
}

// The library reports some failed writes with a fatal message box: the
// repair shows none, goes on, and counts what still fails.
TEST_F(SupportToolTest, ARepairThatFailsShowsNoBoxAndCountsWhatStillFails) {
    SetUpWorkstation();
    DeleteTree(HKEY_CLASSES_ROOT, kMenuHandlers);
    // A volatile key takes no lasting subkey: the handler's key cannot be made.
    HKEY handlers = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, kMenuHandlers, 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                             &handlers, nullptr));
    RegCloseKey(handlers);
    DeleteTree(HKEY_CLASSES_ROOT, kFileViewerClass);
    ScratchFolder reports;
    ProgramRun run = RunTool("--repair --report " + reports.path());
    DeleteTree(HKEY_CLASSES_ROOT, kMenuHandlers);
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_TRUE(Shows(run, LoadMessageText(117) + std::string(" ... STILL FAILING")));
    EXPECT_TRUE(Shows(run, LoadMessageText(124) + std::string(" ... REPAIRED")));
    const std::string report = reports / (ComputerName() + ".INI");
    EXPECT_EQ("PROBLEM", ReportValue(report, "Checks", "TXRRegContextMenu"));
    EXPECT_EQ("1 1 1000", ReportValue(report, "Summary", "Failed") + " " +
                              ReportValue(report, "Summary", "Repaired") + " " +
                              ReportValue(report, "ErrorLog", "Error0"));
}

TEST_F(SupportToolTest, ReportFileOfAnUnrecordedAHealthyAndABrokenWorkstation) {
    ScratchFolder reports;
    const std::string report = reports / (ComputerName() + ".INI");
    auto reported = [&](const char* section, const std::string& key) {
        return ReportValue(report, section, key);
    };
    auto checksInReport = [&] {
        std::map<std::string, std::string> verdicts;
        for (const CheckTexts& check : kChecks) {
            verdicts[check.name] = reported("Checks", std::string("TXRReg") + check.name);
        }
        return verdicts;
    };

    // Without a record the repair repairs nothing and exits as the report.
    ProgramRun unrecorded = RunTool("--repair --report " + reports.path());
    EXPECT_TRUE(Shows(unrecorded, "Nothing repaired: there is no installation record"));
    EXPECT_EQ(RunTool().exitCode, unrecorded.exitCode);
    EXPECT_EQ(std::to_string(unrecorded.exitCode), reported("Summary", "Failed"));
    EXPECT_EQ("0", reported("Summary", "Repaired"));
    EXPECT_EQ(Verdicts(RunTool()), checksInReport());
    EXPECT_EQ("(none)", reported("Record", "InstallPath"));
    EXPECT_EQ(ComputerName(), reported("Workstation", "Computer"));
    EXPECT_EQ("X:\\TXR\\TXRUP450.DLL", reported("Workstation", "Library"));
    unsigned date[6] = {};
    EXPECT_EQ(6, std::sscanf(reported("Workstation", "Checked").c_str(),
                             "%4u-%2u-%2u %2u:%2u:%2u", &date[0], &date[1], &date[2], &date[3],
                             &date[4], &date[5]));
    EXPECT_EQ(19u, reported("Workstation", "Checked").size());

    // Healthy, with a log record whose text holds a line break.
    SetUpWorkstation();
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount", 1);
    SetDword(HKEY_LOCAL_MACHINE, kProduct, "Error0", 1100);
    SetString(HKEY_LOCAL_MACHINE, kProduct, "ErrorDescription0", "two\nlines");
    EXPECT_EQ(0u, RunTool("--report " + report).exitCode);
    EXPECT_EQ(AllOkExcept({}), checksInReport());
    EXPECT_EQ("0 (none)", reported("Summary", "Failed") + " " + reported("Summary", "Repaired"));
    for (auto [key, value] :
         {std::pair{"Version", "4.5.0"}, {"InstallPath", "X:\\TXR\\"}, {"SourcePath", "X:\\TXR\\"},
          {"Network", "1"}, {"InstallStatus", "1"}}) {
        EXPECT_EQ(value, reported("Record", key)) << key;
    }
    EXPECT_EQ("1 1100 (none) two lines",
              reported("ErrorLog", "Count") + " " + reported("ErrorLog", "Error0") + " " +
                  reported("ErrorLog", "ErrorString0") + " " +
                  reported("ErrorLog", "ErrorDescription0"));

    // Broken, then repaired: each report replaces the one before, and no
    // temporary file stays.
    DeleteTree(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "txr32.exe");
    EXPECT_EQ(1u, RunTool("--report " + reports.path()).exitCode);
    EXPECT_EQ(AllOkExcept({"TXR32AppPath"}), checksInReport());
    EXPECT_EQ("1", reported("Summary", "Failed"));
    EXPECT_EQ(0u, RunTool("--repair --report " + reports.path()).exitCode);
    EXPECT_EQ(AllOkExcept({}), checksInReport());
    EXPECT_EQ("0 1", reported("Summary", "Failed") + " " + reported("Summary", "Repaired"));
    WIN32_FIND_DATAA found;
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((reports / "*.TMP").c_str(), &found));
}

// The NT approval does not exist on Windows 95: its check passes there.
// Nor can Windows 95 move a file over another: the report still replaces
// the older one, and no temporary file stays.
TEST_F(SupportToolTest, OnWindows95TheNtApprovalPassesAndTheReportIsReplaced) {
    const std::string settings = "Software\\Wine\\AppDefaults\\TXRSUPP.EXE";
    SetString(HKEY_CURRENT_USER, settings, "Version", "win95");
    ScratchFolder reports;
    const std::string report = reports / "WS.INI";
    WriteFile(report, "[Summary]\r\nFailed=99\r\nStale=1\r\n");
    ProgramRun run = RunTool("--report " + report);
    RegDeleteTreeA(HKEY_CURRENT_USER, settings.c_str());
    EXPECT_EQ("OK", Verdicts(run)["NTShellApproved"]) << run.output;
    EXPECT_EQ("PROBLEM", Verdicts(run)["ContextMenu"]) << run.output;
    EXPECT_EQ(std::to_string(run.exitCode) + " (none) OK",
              ReportValue(report, "Summary", "Failed") + " " +
                  ReportValue(report, "Summary", "Stale") + " " +
                  ReportValue(report, "Checks", "TXRRegNTShellApproved"));
    WIN32_FIND_DATAA found;
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((reports / "*.TMP").c_str(), &found));
}

// Done, with nothing written and no error of its own.
BOOL WINAPI WritesNothing(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
    *written = 0;
    return TRUE;
}

// A login script's setup and the tool may start at once (Windows 95 runs
// both lines of a batch file without waiting): while a setup holds the
// workstation's lock the tool reads nothing, and it reports once the lock
// is free.  (Five seconds are ample for the tool to run when it does not
// wait; that it waits does not depend on them.)
TEST_F(SupportToolTest, TheToolWaitsForARunningSetup) {
    SetUpWorkstation();
    ScratchFolder reports;
    const std::string report = reports / "WS.INI";
    HANDLE lock = CreateMutexA(nullptr, TRUE, kSetupLockName);
    ASSERT_NE(nullptr, lock);
    ProgramRun run;
    std::thread tool([&run, &report] { run = RunTool("--repair --report " + report); });
    for (int tenth = 0; tenth < 50 && !FileExists(report); ++tenth) Sleep(100);
    EXPECT_FALSE(FileExists(report)) << "checked while a setup ran";
    ReleaseMutex(lock);
    tool.join();
    CloseHandle(lock);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_TRUE(Shows(run, "Waiting for the setup running on this workstation to end")) << run.output;
    EXPECT_EQ("0", ReportValue(report, "Summary", "Failed"));
}

TEST_F(SupportToolTest, AReportThatCannotBeWrittenGivesItsOwnExitCode) {
    ScratchFolder reports;
    ProgramRun run = RunTool("--report " + reports / "missing\\");
    EXPECT_EQ(kExitNoReport, run.exitCode);
    EXPECT_TRUE(Shows(run, "TXRSUPP: cannot write the report " + reports / "missing\\" +
                               ComputerName() + ".INI (error "))
        << run.output;

    // A write that gets no further is a write fault, not the error the
    // temporary file's creation left (ERROR_ALREADY_EXISTS).
    WriteFile(reports / "WS.INI", "older");
    EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_FAULT),
              support_tool::WriteFileWhole(reports / "WS.INI", "[Summary]", WritesNothing));
    EXPECT_EQ("older", ReadFile(reports / "WS.INI"));

    // Without a computer name (the value Wine's GetComputerNameA reads
    // gone) only a folder cannot take the report.
    const char* active = "System\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName";
    const std::string computer = ComputerName();
    DeleteValue(HKEY_LOCAL_MACHINE, active, "ComputerName");
    ProgramRun named = RunTool("--report " + reports / "WS.INI");
    ProgramRun folder = RunTool("--report " + reports.path());
    SetString(HKEY_LOCAL_MACHINE, active, "ComputerName", computer);
    EXPECT_EQ(std::to_string(named.exitCode) + " (none)",
              ReportValue(reports / "WS.INI", "Summary", "Failed") + " " +
                  ReportValue(reports / "WS.INI", "Workstation", "Computer"));
    EXPECT_TRUE(folder.exitCode == kExitNoReport && Shows(folder, "name is unknown"))
        << folder.output;
}

}  // namespace
}  // namespace txr::test
