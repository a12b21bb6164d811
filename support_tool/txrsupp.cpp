// TXRSUPP.EXE: the Orbisel Support Tool.
//
// Reports on a workstation's setup: the installation record, the error log
// that setup left under the product key, and the check of every
// registration, run with the recorded installation path.  The tool lies in
// the SUPPORT\ folder of the product root on the server; it meets the
// library TXRUP450.DLL, which lies in the product root, only through the
// library's exports, loaded by name when the tool starts.  Texts of the
// checks are the library's own (TXRRegString).
//
// Exit code: the number of failed checks (0: the workstation is healthy);
// kExitCannotRun when the library cannot be loaded or is not the one
// expected, kExitUsage for an unknown option.
#include "platform/bounded_text.h"
#include "platform/registry_api.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// --- exit codes ---

constexpr int kExitCannotRun = 254;
constexpr int kExitUsage = 255;

// --- what is checked ---

constexpr const char* kLibraryFile = "TXRUP450.DLL";
constexpr const char* kProductKeyPath = "Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr const char* kProductKeyShown = "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion";
constexpr int kPathSize = 260;
constexpr int kModeCheck = 3;
constexpr int kCheckCorrect = 0;
constexpr int kCheckWrong = 4;

// Record flags of TXRGetRegInfo.
constexpr DWORD kRecordMajor = 0x01;
constexpr DWORD kRecordMinor = 0x02;
constexpr DWORD kRecordSub = 0x04;
constexpr DWORD kRecordInstallPath = 0x08;
constexpr DWORD kRecordNetwork = 0x10;

using GetRegInfoFunction = int(WINAPI*)(DWORD*, DWORD*, DWORD*, DWORD*, LPSTR);
using RegStringFunction = LPCSTR(WINAPI*)(int);
using RegistrationFunction = int(WINAPI*)(int, HKEY, LPCSTR);

// One registration's check: its export and the library's title and
// problem text for it.
struct CheckEntry {
    const char* exportName;
    int title;
    int problem;
};

// In the order in which setup installs the registrations.
constexpr CheckEntry kChecks[] = {
    {"TXRRegContextMenu", 117, 118},
    {"TXRRegNTShellApproved", 116, 119},
    {"TXRRegQuickView", 120, 121},
    {"TXRRegQuickViewOther", 164, 165},
    {"TXRRegQuickViewDefault", 122, 123},
    {"TXRRegQuickViewCommand", 139, 140},
    {"TXRRegFileViewerClassId", 124, 125},
    {"TXRRegShellExtClassId", 126, 127},
    {"TXRRegExchangeMenu", 128, 129},
    {"TXRRegExchangeWordMenu", 130, 131},
    {"TXRRegTXR32AppPath", 135, 136},
    {"TXRRegTXRSuppAppPath", 137, 138},
};
constexpr int kCheckCount = static_cast<int>(sizeof kChecks / sizeof kChecks[0]);
// The installation record counts as one more check.
constexpr int kAllChecks = kCheckCount + 1;

// Records of the error log shown at most; the counter is whatever the
// registry holds, so it is not trusted to be small.
constexpr DWORD kMostLogRecordsShown = 100;
// Longest text shown of a registry value (the library's texts are at most
// 254 characters).
constexpr std::size_t kMostValueText = 1024;

// Width of the report's lines.
constexpr std::size_t kLineWidth = 79;

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

// --- the library ---

// TXRUP450.DLL, loaded for the tool's run and unloaded at its end.
class Library {
public:
    Library() = default;
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Loads path; false (with the platform's error code) when it cannot.
    bool Load(const char* path, DWORD* error) {
        module_ = LoadLibraryA(path);
        *error = module_ ? ERROR_SUCCESS : GetLastError();
        return module_ != nullptr;
    }
    FARPROC Find(const char* name) const { return GetProcAddress(module_, name); }

private:
    HMODULE module_ = nullptr;
};

struct LibraryExports {
    GetRegInfoFunction getRegInfo = nullptr;
    RegStringFunction regString = nullptr;
    RegistrationFunction checks[kCheckCount] = {};
};

// The library's message text; never null.
std::string MessageText(const LibraryExports& exports, int message) {
    const char* text = exports.regString(message);
    if (!text) return std::string();
    return std::string(text, strnlen(text, kMostValueText));
}

// The folder above the one this program lies in, with its trailing
// backslash: the product root.  False when the program's own path cannot
// be had or it lies in a drive's root.
bool ProductRoot(std::string* root) {
    std::vector<char> own(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, own.data(), static_cast<DWORD>(own.size()));
        if (length == 0) return false;
        if (length < own.size()) break;
        if (own.size() >= 32768) return false;
        own.resize(own.size() * 2);
    }
    std::string path(own.data());
    std::size_t file = path.find_last_of("\\/");
    if (file == std::string::npos || file == 0) return false;
    std::size_t folder = path.find_last_of("\\/:", file - 1);
    if (folder == std::string::npos || path[folder] == ':') return false;
    *root = path.substr(0, folder + 1);
    return true;
}

void PrintSystemError(DWORD error) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    std::fprintf(stderr, "error %lu%s%s", static_cast<unsigned long>(error), length ? ": " : "",
                 text);
}

// Loads the library from the product root and finds every export the tool
// calls.  On failure says what is wrong on the error output.
bool LoadLibraryExports(Library& library, LibraryExports& exports, std::string* libraryPath) {
    std::string root;
    if (!ProductRoot(&root)) {
        std::fprintf(stderr,
                     "TXRSUPP: cannot find the Orbisel product root.  The Support Tool must lie in "
                     "the SUPPORT folder of the product root, where %s lies.\n",
                     kLibraryFile);
        return false;
    }
    *libraryPath = root + kLibraryFile;
    DWORD error = ERROR_SUCCESS;
    if (!library.Load(libraryPath->c_str(), &error)) {
        std::fprintf(stderr, "TXRSUPP: cannot load the Orbisel library %s (",
                     libraryPath->c_str());
        PrintSystemError(error);
        std::fprintf(stderr,
                     ").\nThe Support Tool must lie in the SUPPORT folder of the Orbisel product "
                     "root, and %s in the product root.\n",
                     kLibraryFile);
        return false;
    }
    auto find = [&](const char* name, auto& function) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(library.Find(name)));
        if (function) return true;
        std::fprintf(stderr,
                     "TXRSUPP: %s lacks the export %s: it is not the Orbisel library this "
                     "Support Tool belongs to, or it is damaged.\n",
                     libraryPath->c_str(), name);
        return false;
    };
    if (!find("TXRGetRegInfo", exports.getRegInfo)) return false;
    if (!find("TXRRegString", exports.regString)) return false;
    for (int i = 0; i < kCheckCount; ++i) {
        if (!find(kChecks[i].exportName, exports.checks[i])) return false;
    }
    return true;
}

// --- registry values, read for display ---

// A value as stored, read for display whatever its type and size.
struct RawValue {
    bool present = false;
    DWORD type = REG_NONE;
    DWORD size = 0;           // bytes stored
    std::vector<BYTE> data;   // empty when the value was too large to read
};

// Values larger than this are not read: the report names only their size.
constexpr DWORD kMostValueRead = 1u << 20;

RawValue ReadRaw(HKEY key, const char* name) {
    RawValue value;
    if (!key) return value;
    if (txr::reg::QueryValue(key, name, &value.type, nullptr, &value.size) != ERROR_SUCCESS) {
        return value;
    }
    value.present = true;
    if (value.size == 0 || value.size > kMostValueRead) return value;
    // The value may change between the two calls; a failed second read
    // leaves the contents unknown (empty).
    value.data.assign(value.size, 0);
    DWORD got = value.size;
    if (txr::reg::QueryValue(key, name, &value.type, value.data.data(), &got) == ERROR_SUCCESS &&
        got <= value.size) {
        value.data.resize(got);
    } else {
        value.data.clear();
    }
    return value;
}

bool ValueExists(HKEY key, const char* name) {
    DWORD size = 0;
    return key && txr::reg::QueryValue(key, name, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool AsNumber(const RawValue& value, DWORD* number) {
    if (!value.present || value.type != REG_DWORD || value.data.size() != sizeof(DWORD)) {
        return false;
    }
    std::memcpy(number, value.data.data(), sizeof(DWORD));
    return true;
}

// A number value for the report, or a note in parentheses.
std::string DescribeNumber(const RawValue& value) {
    if (!value.present) return "(missing)";
    DWORD number = 0;
    if (AsNumber(value, &number)) return std::to_string(number);
    if (value.type == REG_DWORD) return "(a number of the wrong size)";
    return "(not a number: registry type " + std::to_string(value.type) + ")";
}

// A text value for the report: the text up to its terminator (all of it
// when it has none, at most kMostValueText characters), or a note in
// parentheses.
std::string DescribeText(const RawValue& value) {
    if (!value.present) return "(missing)";
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) {
        return "(not a text: registry type " + std::to_string(value.type) + ")";
    }
    if (value.data.empty() && value.size > 0) {
        return "(a text of " + std::to_string(value.size) + " bytes, not shown)";
    }
    const char* bytes = reinterpret_cast<const char*>(value.data.data());
    std::size_t length = strnlen(bytes, value.data.size());
    if (length > kMostValueText) return std::string(bytes, kMostValueText) + " [...]";
    return std::string(bytes, length);
}

// --- the report ---

struct Record {
    bool found = false;
    DWORD flags = 0;
    DWORD major = 0, minor = 0, sub = 0;
    char installPath[kPathSize] = "";
};

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

void ReportLogRecord(HKEY productKey, DWORD n) {
    char name[48];
    txr::text::FormatTo(name, sizeof name, "Error%lu", static_cast<unsigned long>(n));
    PrintFormat("  Error %lu: code %s\n", static_cast<unsigned long>(n),
                DescribeNumber(ReadRaw(productKey, name)).c_str());
    txr::text::FormatTo(name, sizeof name, "ErrorString%lu", static_cast<unsigned long>(n));
    PrintWrapped(DescribeText(ReadRaw(productKey, name)), 6);
    txr::text::FormatTo(name, sizeof name, "ErrorDescription%lu", static_cast<unsigned long>(n));
    PrintWrapped(DescribeText(ReadRaw(productKey, name)), 6);
}

bool LogRecordExists(HKEY productKey, DWORD n) {
    char name[48];
    txr::text::FormatTo(name, sizeof name, "Error%lu", static_cast<unsigned long>(n));
    if (ValueExists(productKey, name)) return true;
    txr::text::FormatTo(name, sizeof name, "ErrorString%lu", static_cast<unsigned long>(n));
    return ValueExists(productKey, name);
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

// Runs every check; returns the number that failed.
int ReportChecks(const LibraryExports& exports, const char* installPath) {
    Print("Checks\n");
    int failed = 0;
    for (int i = 0; i < kCheckCount; ++i) {
        std::string title = MessageText(exports, kChecks[i].title);
        int result = exports.checks[i](kModeCheck, nullptr, installPath);
        if (result == kCheckCorrect) {
            PrintWrapped(title + " ... OK", 2);
            continue;
        }
        ++failed;
        if (result == kCheckWrong) {
            PrintWrapped(title + " ... PROBLEM", 2);
            PrintWrapped(MessageText(exports, kChecks[i].problem), 6);
        } else {
            PrintWrapped(title + " ... PROBLEM: the check answered " + std::to_string(result) +
                             ", which is not a check result",
                         2);
        }
    }
    return failed;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: TXRSUPP [--help]\n"
                 "\n"
                 "The Orbisel Support Tool checks this workstation's setup.  It reads the\n"
                 "installation record through %s (in the folder above the tool's own),\n"
                 "runs the check of every registration with the recorded installation path,\n"
                 "and prints the record, the error log that setup left under\n"
                 "%s and the result of each check.\n"
                 "\n"
                 "Exit code:\n"
                 "  0        every check passed\n"
                 "  1 to %d  the number of failed checks (the installation record is one)\n"
                 "  %d      the tool cannot run: %s could not be loaded or lacks\n"
                 "           an export\n"
                 "  %d      unknown option\n",
                 kLibraryFile, kProductKeyShown, kAllChecks, kExitCannotRun, kLibraryFile,
                 kExitUsage);
}

int Run() {
    Library library;
    LibraryExports exports;
    std::string libraryPath;
    if (!LoadLibraryExports(library, exports, &libraryPath)) return kExitCannotRun;

    Print("Orbisel Support Tool\n");
    PrintFormat("Library: %s\n\n", libraryPath.c_str());

    Record record;
    record.found = exports.getRegInfo(&record.flags, &record.major, &record.minor, &record.sub,
                                      record.installPath) != 0;
    record.installPath[kPathSize - 1] = '\0';
    if (!record.found || !(record.flags & kRecordInstallPath)) record.installPath[0] = '\0';

    // The record's other values and the error log are read here directly,
    // for reading only, so that they show also where setup may not write.
    txr::reg::Key productKey;
    txr::reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ, productKey.receive());

    int failed = ReportRecord(record, productKey.get()) ? 0 : 1;
    Print("\n");
    ReportErrorLog(productKey.get());
    Print("\n");
    failed += ReportChecks(exports, record.installPath);
    Print("\n");
    if (failed == 0) {
        PrintFormat("All %d checks passed.\n", kAllChecks);
    } else {
        PrintFormat("%d of %d checks failed.\n", failed, kAllChecks);
    }
    std::fflush(stdout);
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0 ||
            std::strcmp(option, "/?") == 0 || std::strcmp(option, "-?") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        std::fprintf(stderr, "TXRSUPP: unknown option %s\n\n", option);
        PrintUsage(stderr);
        return kExitUsage;
    }
    try {
        return Run();
    } catch (...) {
        // Only memory exhaustion can throw here.
        std::fprintf(stderr, "TXRSUPP: out of memory\n");
        return kExitCannotRun;
    }
}
