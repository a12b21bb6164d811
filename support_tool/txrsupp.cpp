// TXRSUPP.EXE: the Orbisel Support Tool.
//
// Reports on a workstation's setup: the installation record, the error log
// that setup left under the product key, and the check of every
// registration and of the product's Quick View program, run with the
// recorded installation path.  With --repair it then puts right what
// failed, with the library's own install modes; with --report PATH it also
// writes the report as an INI file for administrators' scripts.  The tool
// lies in the SUPPORT\ folder of the product root on the server; it meets
// the library TXRUP450.DLL, which lies in the product root, only through
// the library's exports, loaded by name when the tool starts.  Texts of the
// checks are the library's own (TXRRegString).
//
// The tool never shows a window: it runs unattended from login scripts on
// many workstations at once, where a message box would stop it for good.
//
// Exit code: the number of failed checks (0: the workstation is healthy;
// with --repair, those still failing after it); kExitSetupRunning when a
// setup kept running for ten minutes (nothing checked); kExitNoReport when the
// report file cannot be written, kExitCannotRun when the library cannot be
// loaded or is not the one expected, kExitUsage for a bad command line.
#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "support_tool/library_exports.h"
#include "support_tool/registry_values.h"
#include "support_tool/report_file.h"
#include "support_tool/setup_turn.h"
#include "support_tool/system_error.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace txr::support_tool {
namespace {

// --- exit codes ---

constexpr int kExitSetupRunning = 252;
constexpr int kExitNoReport = 253;
constexpr int kExitCannotRun = 254;
constexpr int kExitUsage = 255;

// --- what is checked ---

constexpr const char* kProductKeyPath = "Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr const char* kProductKeyShown = "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion";
// The installation record counts as one more check.
constexpr int kAllChecks = kCheckCount + 1;

// Records of the error log shown at most; the counter is whatever the
// registry holds, so it is not trusted to be small.
constexpr DWORD kMostLogRecordsShown = 100;

// Width of the report's lines.
constexpr std::size_t kLineWidth = 79;

struct Options {
    bool repair = false;
    bool report = false;
    std::string reportPath;
};

// --- no windows ---

LRESULT CALLBACK RefuseWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) return 1;  // the window is not made
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// While it lives, no window can be made on the tool's thread: a message
// box that the library would show (the fatal box of its error log, which a
// registration's install mode may ask for) fails at once instead, and the
// library goes on as after a box that was closed.  Real Win32 behaviour of
// a thread's CBT hook, on every Windows.
class WindowsRefused {
public:
    WindowsRefused()
        : hook_(SetWindowsHookExA(WH_CBT, &RefuseWindow, nullptr, GetCurrentThreadId())) {}
    ~WindowsRefused() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    WindowsRefused(const WindowsRefused&) = delete;
    WindowsRefused& operator=(const WindowsRefused&) = delete;
    bool active() const { return hook_ != nullptr; }

private:
    HHOOK hook_;
};

// --- output ---

void Print(const char* text) { std::fputs(text, stdout); }

void PrintFormat(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void PrintFormat(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    txr::text::FormatListTo(line, sizeof line, format, args);
    va_end(args);
    Print(line);
}

// Prints text broken into lines of at most kLineWidth characters, each
// beginning with indent blanks; the text's own line breaks are kept.  A
// word longer than a line stands on a line of its own.  Control characters
// other than line breaks show as blanks.
void PrintWrapped(const std::string& text, std::size_t indent) {
    const std::size_t width = kLineWidth > indent + 20 ? kLineWidth - indent : 20;
    std::string line;
    auto flush = [&] {
        std::string out(indent, ' ');
        out += line;
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += '\n';
        Print(out.c_str());
        line.clear();
    };
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(at, end - at);
        for (char& c : paragraph) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        }
        std::size_t word = 0;
        while (word < paragraph.size()) {
            std::size_t wordEnd = paragraph.find(' ', word);
            if (wordEnd == std::string::npos) wordEnd = paragraph.size();
            std::string piece = paragraph.substr(word, wordEnd - word);
            if (!line.empty() && line.size() + 1 + piece.size() > width) flush();
            if (!line.empty()) line += ' ';
            line += piece;
            word = wordEnd + 1;
        }
        flush();
        at = end + 1;
    }
}

// --- the installation record ---

struct Record {
    bool found = false;
    DWORD flags = 0;
    DWORD major = 0, minor = 0, sub = 0;
    char installPath[kPathSize] = "";

    // A record the repair can work with: one that names the installation.
    bool usable() const { return found && installPath[0] != '\0'; }
};

Record ReadRecord(const LibraryExports& exports) {
    Record record;
    record.found = exports.getRegInfo(&record.flags, &record.major, &record.minor, &record.sub,
                                      record.installPath) != 0;
    record.installPath[kPathSize - 1] = '\0';
    if (!record.found || !(record.flags & kRecordInstallPath)) record.installPath[0] = '\0';
    return record;
}

// Reports the installation record; returns true when it passes (present,
// with an installation path).
bool ReportRecord(const Record& record, HKEY productKey) {
    PrintFormat("Installation record (%s)\n", kProductKeyShown);
    if (!record.found) {
        if (productKey) {
            PrintWrapped(
                "PROBLEM: setup cannot open the installation record: this account may not "
                "change the local machine's registry, so setup counts the workstation as not "
                "set up.",
                2);
        } else {
            PrintWrapped("PROBLEM: there is no installation record: Orbisel is not set up on "
                         "this workstation.",
                         2);
        }
        PrintWrapped("The checks below that compare module paths run with an empty "
                     "installation path and cannot pass.",
                     2);
        return false;
    }

    std::string missing;
    auto note = [&](DWORD flag, const char* name) {
        if (record.flags & flag) return;
        if (!missing.empty()) missing += ", ";
        missing += name;
    };
    note(kRecordMajor, "MajorRelease");
    note(kRecordMinor, "MinorRelease");
    note(kRecordSub, "SubRelease");
    PrintFormat("  Version:        %lu.%lu.%lu", static_cast<unsigned long>(record.major),
                static_cast<unsigned long>(record.minor), static_cast<unsigned long>(record.sub));
    if (!missing.empty()) PrintFormat("  (%s missing: setup's presets shown)", missing.c_str());
    Print("\n");

    const bool hasPath = (record.flags & kRecordInstallPath) != 0;
    PrintFormat("  InstallPath:    %s\n", hasPath ? record.installPath : "(missing)");
    PrintFormat("  SourcePath:     %s\n", DescribeText(ReadRaw(productKey, "SourcePath")).c_str());

    RawValue network = ReadRaw(productKey, "Network");
    if (record.flags & kRecordNetwork) {
        Print("  Network:        1 (runs from the server)\n");
    } else {
        PrintFormat("  Network:        %s (a local installation)\n", DescribeNumber(network).c_str());
    }

    RawValue status = ReadRaw(productKey, "InstallStatus");
    DWORD statusNumber = 0;
    const char* meaning = "";
    if (AsNumber(status, &statusNumber)) {
        if (statusNumber == 1) meaning = " (set up without errors)";
        else if (statusNumber == 2) meaning = " (set up with errors: see the error log)";
        else if (statusNumber == 3) meaning = " (setup failed: see the error log)";
        else meaning = " (not a status setup writes)";
    }
    PrintFormat("  InstallStatus:  %s%s\n", DescribeNumber(status).c_str(), meaning);

    if (!hasPath) {
        PrintWrapped("PROBLEM: the record holds no installation path.  The checks below that "
                     "compare module paths run with an empty path and cannot pass.",
                     2);
        return false;
    }
    return true;
}

// --- the error log ---

std::string LogValueName(const char* prefix, DWORD n) {
    char name[48];
    txr::text::FormatTo(name, sizeof name, "%s%lu", prefix, static_cast<unsigned long>(n));
    return name;
}

constexpr const char* kLogValuePrefixes[] = {"Error", "ErrorString", "ErrorDescription"};

void ReportLogRecord(HKEY productKey, DWORD n) {
    PrintFormat("  Error %lu: code %s\n", static_cast<unsigned long>(n),
                DescribeNumber(ReadRaw(productKey, LogValueName("Error", n).c_str())).c_str());
    PrintWrapped(DescribeText(ReadRaw(productKey, LogValueName("ErrorString", n).c_str())), 6);
    PrintWrapped(DescribeText(ReadRaw(productKey, LogValueName("ErrorDescription", n).c_str())),
                 6);
}

bool LogRecordExists(HKEY productKey, DWORD n) {
    return ValueExists(productKey, LogValueName("Error", n).c_str()) ||
           ValueExists(productKey, LogValueName("ErrorString", n).c_str());
}

// ErrorCount as a number; 0 when it is missing or no number.
DWORD LogCount(HKEY productKey) {
    DWORD count = 0;
    return AsNumber(ReadRaw(productKey, "ErrorCount"), &count) ? count : 0;
}

// The error log under the product key: ErrorCount records, and records of
// higher numbers that an earlier setup run left (each run numbers its
// records from 0 and overwrites only as many as it writes).  Information
// only: the log does not count as a check.
void ReportErrorLog(HKEY productKey) {
    Print("Error log\n");
    if (!productKey) {
        Print("  (no product key: nothing recorded)\n");
        return;
    }
    RawValue countValue = ReadRaw(productKey, "ErrorCount");
    DWORD count = 0;
    if (!countValue.present) {
        Print("  ErrorCount:     (missing: no failures recorded)\n");
    } else if (!AsNumber(countValue, &count)) {
        PrintFormat("  ErrorCount:     %s\n", DescribeNumber(countValue).c_str());
    } else {
        PrintFormat("  ErrorCount:     %lu%s\n", static_cast<unsigned long>(count),
                    count == 0 ? " (no failures recorded)" : "");
    }

    const DWORD shown = count < kMostLogRecordsShown ? count : kMostLogRecordsShown;
    for (DWORD n = 0; n < shown; ++n) ReportLogRecord(productKey, n);
    if (count > shown) {
        PrintFormat("  ... %lu more records not shown\n", static_cast<unsigned long>(count - shown));
        return;
    }

    DWORD older = count;
    while (older < kMostLogRecordsShown && LogRecordExists(productKey, older)) ++older;
    if (older > count) {
        PrintWrapped("Records beyond ErrorCount (left by an earlier setup run):", 2);
        for (DWORD n = count; n < older; ++n) ReportLogRecord(productKey, n);
    }

    DWORD status = 0;
    if (count > 0 && AsNumber(ReadRaw(productKey, "InstallStatus"), &status) && status == 1) {
        PrintWrapped("The last setup recorded no failures (InstallStatus 1): these records may "
                     "come from an earlier run.",
                     2);
    }
}

// --- the checks ---

// The result of each registration's check, in kChecks order.
struct CheckResults {
    int result[kCheckCount] = {};

    bool passed(int i) const { return result[i] == kCheckCorrect; }
    int failed() const {
        int count = 0;
        for (int i = 0; i < kCheckCount; ++i) count += passed(i) ? 0 : 1;
        return count;
    }
};

CheckResults RunChecks(const LibraryExports& exports, const char* installPath) {
    CheckResults checks;
    for (int i = 0; i < kCheckCount; ++i) {
        checks.result[i] = exports.registrations[i](kModeCheck, nullptr, installPath);
    }
    return checks;
}

// One check's line: its title and verdict, then, for a failed one, the
// library's problem text.
void ReportCheck(const LibraryExports& exports, int i, int result, const char* problemVerdict) {
    std::string title = MessageText(exports, kChecks[i].title);
    if (result == kCheckCorrect) {
        PrintWrapped(title + " ... OK", 2);
    } else if (result == kCheckWrong) {
        PrintWrapped(title + " ... " + problemVerdict, 2);
        PrintWrapped(MessageText(exports, kChecks[i].problem), 6);
    } else {
        PrintWrapped(title + " ... " + problemVerdict + ": the check answered " +
                         std::to_string(result) + ", which is not a check result",
                     2);
    }
}

void ReportChecks(const LibraryExports& exports, const CheckResults& checks) {
    Print("Checks\n");
    for (int i = 0; i < kCheckCount; ++i) ReportCheck(exports, i, checks.result[i], "PROBLEM");
}

// --- the repair ---

// Which registrations the repair ran the install mode of.
struct RepairRun {
    bool installed[kCheckCount] = {};
    int count() const {
        int n = 0;
        for (bool done : installed) n += done ? 1 : 0;
        return n;
    }
};

// Runs, in setup's install order, the install mode of every registration
// whose check fails at its turn, with the recorded installation path and
// the product key as log key.  Each is checked at its turn, not from the
// report's list: putting one right may disturb a later one, as the Quick
// View takeover removes the "*" entry that holds the product's default
// viewer, which setup too writes only after it.
RepairRun Repair(const LibraryExports& exports, HKEY logKey, const char* installPath) {
    RepairRun run;
    for (int i = 0; i < kCheckCount; ++i) {
        if (exports.registrations[i](kModeCheck, nullptr, installPath) == kCheckCorrect) continue;
        exports.registrations[i](kModeInstall, logKey, installPath);
        run.installed[i] = true;
    }
    return run;
}

// What the repair did: each registration it ran, repaired or still
// failing, and any other that fails after it.
void ReportRepair(const LibraryExports& exports, const RepairRun& run, const CheckResults& after,
                  const char* installPath) {
    PrintFormat("Repair (with the recorded installation path %s)\n", installPath);
    if (run.count() == 0) Print("  Nothing needed repair.\n");
    for (int i = 0; i < kCheckCount; ++i) {
        if (!run.installed[i] && after.passed(i)) continue;
        if (after.passed(i)) {
            PrintWrapped(MessageText(exports, kChecks[i].title) + " ... REPAIRED", 2);
        } else {
            ReportCheck(exports, i, after.result[i], "STILL FAILING");
        }
    }
    if (after.failed() > 0) {
        PrintWrapped("What the repair could not do is recorded in the error log under " +
                         std::string(kProductKeyShown) + ", as setup records its failures.",
                     2);
    }
}

void ReportNoRepair(const Record& record) {
    Print("Repair\n");
    PrintWrapped(record.found
                     ? "Nothing repaired: the installation record names no installation path "
                       "to repair with.  Run setup (TXRSETUP.EXE) again."
                     : "Nothing repaired: there is no installation record, so this workstation "
                       "has no installation to repair.  Set it up with TXRSETUP.EXE.",
                 2);
}

// --- the report file ---

std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return std::string();
    return name;
}

std::string LocalTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    txr::text::FormatTo(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear,
                        now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

void AddRecorded(IniSection& section, const std::string& key, HKEY productKey,
                 const char* valueName) {
    std::string value;
    if (AsRecorded(ReadRaw(productKey, valueName), &value)) section.entries.push_back({key, value});
}

IniSection RecordSection(const Record& record, HKEY productKey) {
    IniSection section{"Record", {}};
    if (!record.found) return section;
    const DWORD version = kRecordMajor | kRecordMinor | kRecordSub;
    if ((record.flags & version) == version) {
        section.entries.push_back({"Version", std::to_string(record.major) + "." +
                                                  std::to_string(record.minor) + "." +
                                                  std::to_string(record.sub)});
    }
    if (record.flags & kRecordInstallPath) {
        section.entries.push_back({"InstallPath", record.installPath});
    }
    for (const char* name : {"SourcePath", "Network", "InstallStatus"}) {
        AddRecorded(section, name, productKey, name);
    }
    return section;
}

IniSection ErrorLogSection(HKEY productKey) {
    const DWORD count = LogCount(productKey);
    IniSection section{"ErrorLog", {{"Count", std::to_string(count)}}};
    const DWORD listed = count < kMostLogRecordsShown ? count : kMostLogRecordsShown;
    for (DWORD n = 0; n < listed; ++n) {
        for (const char* prefix : kLogValuePrefixes) {
            std::string name = LogValueName(prefix, n);
            AddRecorded(section, name, productKey, name.c_str());
        }
    }
    return section;
}

// What the report file tells, besides what it reads from the product key.
struct ReportFacts {
    std::string libraryPath;
    const Record* record;
    HKEY productKey;
    const CheckResults* checks;
    int failed;
    std::optional<int> repaired;  // with --repair
};

// computer is left out of the report when it is empty.
std::vector<IniSection> ReportSections(const ReportFacts& facts, const std::string& computer) {
    IniSection checks{"Checks", {}};
    for (int i = 0; i < kCheckCount; ++i) {
        const char* verdict = facts.checks->passed(i) ? "OK" : "PROBLEM";
        checks.entries.push_back({kChecks[i].exportName, verdict});
    }
    IniSection summary{"Summary", {{"Failed", std::to_string(facts.failed)}}};
    if (facts.repaired) summary.entries.push_back({"Repaired", std::to_string(*facts.repaired)});
    IniSection workstation{"Workstation", {}};
    if (!computer.empty()) workstation.entries.push_back({"Computer", computer});
    workstation.entries.push_back({"Checked", LocalTimeNow()});
    workstation.entries.push_back({"Library", facts.libraryPath});
    return {
        workstation,
        RecordSection(*facts.record, facts.productKey),
        ErrorLogSection(facts.productKey),
        checks,
        summary,
    };
}

// Writes the report file; false (having said why) when it cannot.  Only a
// folder needs the computer's name (a workstation without networking may
// have none).
bool WriteReport(const std::string& path, const ReportFacts& facts) {
    const std::string computer = ComputerName();
    const std::string target = ReportFilePath(path, computer);
    if (target.empty()) {
        std::fprintf(stderr, "TXRSUPP: cannot write the report: the computer's name is unknown.\n");
        return false;
    }
    DWORD error = WriteFileWhole(target, IniText(ReportSections(facts, computer)));
    if (error != ERROR_SUCCESS) {
        std::fprintf(stderr, "TXRSUPP: cannot write the report %s (%s).\n", target.c_str(),
                     SystemErrorText(error).c_str());
        return false;
    }
    PrintFormat("Report written to %s\n", target.c_str());
    return true;
}

// --- the run ---

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: TXRSUPP [--repair] [--report PATH] [--help]\n"
                 "\n"
                 "The Orbisel Support Tool checks this workstation's setup.  It reads the\n"
                 "installation record through %s (in the folder above the tool's own),\n"
                 "runs the check of every registration and of the product's Quick View\n"
                 "program with the recorded installation path, and prints the record, the\n"
                 "error log that setup left under\n"
                 "%s and the result of each check.\n"
                 "\n"
                 "  --repair       then put right every check that failed, as setup would\n"
                 "                 (nothing without an installation record), and check again\n"
                 "  --report PATH  also write the report (after the repair) as an INI file:\n"
                 "                 PATH, or PATH\\<computer name>.INI when PATH ends in \\\n"
                 "\n"
                 "Exit code:\n"
                 "  0        every check passed (with --repair: after the repair)\n"
                 "  1 to %d  the number of failed checks (the installation record is one)\n"
                 "  %d      a setup kept running on this workstation for ten minutes:\n"
                 "           nothing was checked (the tool waits for a running setup)\n"
                 "  %d      the report file could not be written\n"
                 "  %d      the tool cannot run: %s could not be loaded or lacks\n"
                 "           an export\n"
                 "  %d      unknown option, or --report without a PATH\n"
                 "\n"
                 "The administrator's manual, section \"The support tool\", has the checks,\n"
                 "the report file's sections and keys, and what to do about each problem.\n",
                 kLibraryFile, kProductKeyShown, kAllChecks, kExitSetupRunning, kExitNoReport,
                 kExitCannotRun,
                 kLibraryFile, kExitUsage);
}

// With a usable record: runs the repair, reports it, and makes *checks
// the state after it.  Returns the number of checks it put right.
int RepairAndReport(const LibraryExports& exports, const Record& record, CheckResults* checks) {
    // The log key of setup itself: failures of the repair are recorded
    // where setup records its own.
    reg::Key logKey;
    reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE,
              logKey.receive());
    RepairRun run = Repair(exports, logKey.get(), record.installPath);
    CheckResults after = RunChecks(exports, record.installPath);
    int repaired = 0;
    for (int i = 0; i < kCheckCount; ++i) {
        if (!checks->passed(i) && after.passed(i)) ++repaired;
    }
    ReportRepair(exports, run, after, record.installPath);
    *checks = after;
    return repaired;
}

void PrintSummary(int failed, int failedBefore, std::optional<int> repaired) {
    if (repaired && failed == 0) {
        PrintFormat("All %d checks pass after the repair (%d failed before it, %d repaired).\n",
                    kAllChecks, failedBefore, *repaired);
    } else if (repaired) {
        PrintFormat("%d of %d checks still fail after the repair (%d failed before it, %d "
                    "repaired).\n",
                    failed, kAllChecks, failedBefore, *repaired);
    } else if (failed == 0) {
        PrintFormat("All %d checks passed.\n", kAllChecks);
    } else {
        PrintFormat("%d of %d checks failed.\n", failed, kAllChecks);
    }
}

int Run(const Options& options) {
    // No critical-error box either (a drive that is not ready, say).
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    WindowsRefused noWindows;
    if (!noWindows.active()) {
        std::fprintf(stderr, "TXRSUPP: cannot keep the library from showing windows.\n");
        return kExitCannotRun;
    }

    // A setup running now would be seen half done: its end is waited for,
    // and no setup starts while the tool checks and repairs.
    SetupTurn turn([] {
        Print("Waiting for the setup running on this workstation to end ...\n");
        std::fflush(stdout);
    });
    if (!turn.mayGoOn()) {
        std::fprintf(stderr, "TXRSUPP: a setup has been running on this workstation for ten "
                             "minutes; nothing was checked.\n");
        return kExitSetupRunning;
    }

    Library library;
    LibraryExports exports;
    std::string libraryPath;
    if (!LoadLibraryExports(library, exports, &libraryPath)) return kExitCannotRun;

    Print("Orbisel Support Tool\n");
    PrintFormat("Library: %s\n\n", libraryPath.c_str());

    const Record record = ReadRecord(exports);
    // The record's other values and the error log are read here directly,
    // for reading only, so that they show also where setup may not write.
    reg::Key productKey;
    reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ, productKey.receive());

    const int recordFailed = ReportRecord(record, productKey.get()) ? 0 : 1;
    Print("\n");
    ReportErrorLog(productKey.get());
    Print("\n");
    CheckResults checks = RunChecks(exports, record.installPath);
    ReportChecks(exports, checks);
    Print("\n");
    const int failedBefore = recordFailed + checks.failed();

    // The repaired count, with --repair: none without a usable record.
    std::optional<int> repaired;
    if (options.repair) {
        if (record.usable()) {
            repaired = RepairAndReport(exports, record, &checks);
        } else {
            ReportNoRepair(record);
            repaired = 0;
        }
        Print("\n");
    }
    const int failed = recordFailed + checks.failed();
    PrintSummary(failed, failedBefore, record.usable() ? repaired : std::nullopt);

    std::fflush(stdout);  // the summary before any message about the report
    int exitCode = failed;
    if (options.report) {
        const ReportFacts facts{libraryPath, &record, productKey.get(), &checks, failed, repaired};
        if (!WriteReport(options.reportPath, facts)) exitCode = kExitNoReport;
    }
    std::fflush(stdout);
    return exitCode;
}

// An argument in the place of --report's PATH that is an option instead:
// one that begins with "-", or "/?".  A report file of such a name is given
// as .\-NAME.
bool IsOptionNotPath(const char* argument) {
    return argument[0] == '-' || std::strcmp(argument, "/?") == 0;
}

// Reads the command line; false (having said why) when it is not one the
// tool knows.  *help is set for a request for the usage.
bool ReadOptions(int argc, char** argv, Options* options, bool* help) {
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0 ||
            std::strcmp(option, "/?") == 0 || std::strcmp(option, "-?") == 0) {
            *help = true;
        } else if (std::strcmp(option, "--repair") == 0) {
            options->repair = true;
        } else if (std::strcmp(option, "--report") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0' || IsOptionNotPath(argv[i + 1])) {
                std::fprintf(stderr, "TXRSUPP: --report needs the PATH of the report file\n\n");
                return false;
            }
            options->report = true;
            options->reportPath = argv[++i];
        } else {
            std::fprintf(stderr, "TXRSUPP: unknown option %s\n\n", option);
            return false;
        }
    }
    return true;
}

}  // namespace
}  // namespace txr::support_tool

int main(int argc, char** argv) {
    using namespace txr::support_tool;
    Options options;
    bool help = false;
    if (!ReadOptions(argc, argv, &options, &help)) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (help) {
        PrintUsage(stdout);
        return 0;
    }
    try {
        return Run(options);
    } catch (...) {
        // Only memory exhaustion can throw here.
        std::fprintf(stderr, "TXRSUPP: out of memory\n");
        return kExitCannotRun;
    }
}
