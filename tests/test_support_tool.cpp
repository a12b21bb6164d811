// The real Support Tool X:\TXR\SUPPORT\TXRSUPP.EXE, with the real
// TXRUP450.DLL of the share X:\TXR\ (laid out and mapped by scripts/test),
// against the prefix's own registry: a workstation set up by the real
// launcher, one without the product, one with a broken entry, error logs
// of every shape, and the tool's own failures.
#include "registration/message_text.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr const char* kLauncher = "X:\\TXR\\TXRSETUP.EXE";
constexpr const char* kTool = "X:\\TXR\\SUPPORT\\TXRSUPP.EXE";
constexpr const char* kProduct = "Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr const char* kFileViewerClass = "CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kQuickViewCommand = "QuickView\\Shell\\Open\\Command";
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
};

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output and error together, without '\r'
};

// Runs commandLine with its standard output and error going to one file,
// and waits up to a minute for it.
ProgramRun RunProgram(std::string commandLine) {
    ProgramRun run;
    ScratchFolder folder;
    std::string outputFile = folder / "output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << outputFile;
        return run;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT) {
            ADD_FAILURE() << commandLine << " did not end";
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << commandLine;
    }
    CloseHandle(out);
    for (char c : ReadFile(outputFile)) {
        if (c != '\r') run.output += c;
    }
    return run;
}

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
    EXPECT_TRUE(Shows(run, "All 13 checks passed.")) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("PROBLEM")) << run.output;
}

TEST_F(SupportToolTest, WorkstationWithoutTheProductFailsTheRecordAndEveryMissingEntry) {
    // The open-command key stays after an uninstall when it held more than
    // the product put there; whether it is there depends on what ran in
    // this prefix before.
    std::vector<std::string> failing = {"ContextMenu",       "NTShellApproved",
                                        "QuickViewDefault",  "FileViewerClassId",
                                        "ShellExtClassId",   "TXR32AppPath",
                                        "TXRSuppAppPath"};
    if (!KeyExists(HKEY_CLASSES_ROOT, kQuickViewCommand)) failing.push_back("QuickViewCommand");

    ProgramRun run = RunTool();
    EXPECT_EQ(AllOkExcept(failing), Verdicts(run)) << run.output;
    EXPECT_EQ(failing.size() + 1, run.exitCode) << "the missing record counts as one";
    EXPECT_TRUE(Shows(run, "PROBLEM: there is no installation record")) << run.output;
    for (const std::string& name : failing) {
        EXPECT_TRUE(Shows(run, ProblemText(name))) << name << "\n" << run.output;
    }
    EXPECT_FALSE(Shows(run, ProblemText("ExchangeMenu"))) << run.output;
    EXPECT_TRUE(Shows(run, std::to_string(failing.size() + 1) + " of 13 checks failed."))
        << run.output;
}

TEST_F(SupportToolTest, BrokenClassEntryFailsExactlyItsCheck) {
    SetUpWorkstation();
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CLASSES_ROOT, kFileViewerClass));
    ProgramRun run = RunTool();
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_EQ(AllOkExcept({"FileViewerClassId"}), Verdicts(run)) << run.output;
    EXPECT_TRUE(Shows(run, ProblemText("FileViewerClassId"))) << run.output;
    EXPECT_TRUE(Shows(run, "1 of 13 checks failed.")) << run.output;
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
                           "TXRSuppAppPath"}),
              Verdicts(run))
        << run.output;
    EXPECT_EQ(4u, run.exitCode);
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
                           "TXRSuppAppPath"}),
              Verdicts(run))
        << run.output;
    EXPECT_EQ(5u, run.exitCode);
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

// The NT approval does not exist on Windows 95: its check passes there.
TEST_F(SupportToolTest, OnWindows95TheNtApprovalCheckPasses) {
    const std::string settings = "Software\\Wine\\AppDefaults\\TXRSUPP.EXE";
    SetString(HKEY_CURRENT_USER, settings, "Version", "win95");
    ProgramRun run = RunTool();
    RegDeleteTreeA(HKEY_CURRENT_USER, settings.c_str());
    EXPECT_EQ("OK", Verdicts(run)["NTShellApproved"]) << run.output;
    EXPECT_EQ("PROBLEM", Verdicts(run)["ContextMenu"]) << run.output;
}

TEST_F(SupportToolTest, HelpAndUnknownOptions) {
    ProgramRun help = RunTool("--help");
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_TRUE(Shows(help, "Usage: TXRSUPP [--help]")) << help.output;
    EXPECT_TRUE(Shows(help, "255 unknown option")) << help.output;
    EXPECT_TRUE(Shows(help, "1 to 13 the number of failed checks")) << help.output;
    EXPECT_EQ(std::string::npos, help.output.find("Checks\n")) << "help runs no check";

    ProgramRun unknown = RunTool("--fix-everything");
    EXPECT_EQ(kExitUsage, unknown.exitCode);
    EXPECT_TRUE(Shows(unknown, "TXRSUPP: unknown option --fix-everything")) << unknown.output;
    EXPECT_TRUE(Shows(unknown, "Usage: TXRSUPP [--help]")) << unknown.output;
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
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string stub(self);
    stub = stub.substr(0, stub.find_last_of('\\') + 1) + "stub\\TXRUP450.DLL";

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

}  // namespace
}  // namespace txr::test
