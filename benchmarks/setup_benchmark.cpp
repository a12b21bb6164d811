// Speed of a whole workstation setup on a workstation of a realistic size
// (made by workstation_fixture.exe; scripts/benchmark prepares everything
// and runs this program in a throwaway prefix).
//
// Times, each round, against the prefix's real registry and drives:
//   - the whole run of TXRSETUP.EXE -s and of TXRSETUP.EXE -s -u from the
//     share, each as a program of its own;
//   - in this process: the install sequence (InstallFromServer: every
//     registration, the record, the Quick View program), the uninstall
//     (UninstallWorkstation) and the program scan (ScanForApps for every
//     application the share's integration modules look for, no window);
// and, in the same rounds, the floors they are measured against:
//   - keys: one enumeration of HKEY_CLASSES_ROOT's top-level keys and of
//     the entries of "QuickView", with one open attempt per key, the least
//     that the Quick View walks of install and uninstall can cost;
//   - walk: one walk of every fixed drive's tree (every folder listed
//     once), the least that a scan can cost;
//   - start: starting and ending a program that does nothing (this one,
//     with --noop), what every whole run pays besides.
// Then the profile of the install sequence and of the uninstall: each
// phase (the engine names them as they begin) with its registry calls,
// counted through the registry seam's hook in one extra round, and its
// seconds in the round that was fastest in all.
//
//   setup_benchmark.exe [--share X:\TXR\] [--rounds N] [--dump PREFIX]
//
// --dump writes what the first round's install sequence and uninstall left
// in HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\Software, every key with its
// values, to PREFIX-installed.txt and PREFIX-uninstalled.txt: two builds
// that leave the same files did the same work key for key.
//
// Prints the table and the profile: the best and the median of the rounds (3 by default),
// the floor of each figure and the ratio.  Exit code 0 when every run
// succeeded, 1 when a run failed, 2 for bad options.
#include "integration/app_table.h"
#include "integration/program_scan.h"
#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "setup/engine_phases.h"
#include "setup/install_engine.h"
#include "setup/library_state.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kRunTimeoutMs = 10 * 60 * 1000;

struct Options {
    std::string share = "X:\\TXR\\";
    int rounds = 3;
    std::string dump;
};

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Time(const std::function<void()>& work) {
    double start = Now();
    work();
    return Now() - start;
}

// --- floors ---

// Registry calls made by the keys floor, counted as the seam counts the
// library's (every open attempt, enumeration and close).
long floorCalls = 0;

class Key {
public:
    Key(HKEY parent, const char* path) {
        ++floorCalls;
        if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) {
            ++floorCalls;
            RegCloseKey(key_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Enumerates the subkeys of parent, calling visit with each name.
void EachSubkey(HKEY parent, const std::function<void(const char*)>& visit) {
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        ++floorCalls;
        if (RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return;
        }
        visit(name);
    }
}

// The keys floor; returns the number of keys enumerated.
int EnumerateKeys() {
    int keys = 0;
    EachSubkey(HKEY_CLASSES_ROOT, [&](const char* name) {
        ++keys;
        std::string path = std::string(name) + "\\QuickView";
        Key quickView(HKEY_CLASSES_ROOT, path.c_str());
    });
    Key quickView(HKEY_CLASSES_ROOT, "QuickView");
    if (quickView.get()) {
        EachSubkey(quickView.get(), [&](const char* name) {
            ++keys;
            Key entry(quickView.get(), name);
        });
    }
    return keys;
}

struct TreeCount {
    int folders = 0;
    int files = 0;
    std::string drives;
};

// Lists folder (ending in a backslash) and walks its sub-folders, by the
// scan's rule: no links, no names beginning with ".".
void WalkFolder(const std::string& folder, TreeCount& count) {
    ++count.folders;
    std::vector<std::string> subFolders;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++count.files;
        } else if (entry.cFileName[0] != '.' &&
                   !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            subFolders.push_back(entry.cFileName);
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    for (const std::string& name : subFolders) {
        std::string child = folder + name + "\\";
        if (child.size() < MAX_PATH) WalkFolder(child, count);
    }
}

// The walk floor: every fixed drive, as the scan sees them.
TreeCount WalkFixedDrives() {
    TreeCount count;
    char roots[255];
    DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    if (length == 0 || length >= sizeof roots) return count;
    for (const char* root = roots; *root; root += std::strlen(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
        count.drives += std::string(count.drives.empty() ? "" : " ") + root;
        WalkFolder(root, count);
    }
    return count;
}

// --- the registry's contents, for comparing builds ---

// Writes path, then each value (name, type, bytes in hex), then the subkeys
// in the registry's order.
void DumpKey(HKEY key, const std::string& path, FILE* out) {
    std::fprintf(out, "[%s]\n", path.c_str());
    std::vector<char> name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                          &size) != ERROR_SUCCESS) {
            break;
        }
        // The prefix's own identity differs from prefix to prefix.
        if (std::strcmp(name.data(), "MachineGuid") == 0) continue;
        std::fprintf(out, "  \"%s\" %lu:", name.data(), static_cast<unsigned long>(type));
        for (DWORD i = 0; i < size; ++i) std::fprintf(out, "%02x", data[i]);
        std::fprintf(out, "\n");
    }
    for (DWORD index = 0;; ++index) {
        char child[256];
        DWORD length = sizeof child;
        if (RegEnumKeyExA(key, index, child, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        Key sub(key, child);
        if (sub.get()) DumpKey(sub.get(), path + "\\" + child, out);
    }
}

bool DumpRegistry(const std::string& file) {
    FILE* out = std::fopen(file.c_str(), "w");
    if (!out) return false;
    DumpKey(HKEY_CLASSES_ROOT, "HKCR", out);
    Key software(HKEY_LOCAL_MACHINE, "Software");
    if (software.get()) DumpKey(software.get(), "HKLM\\Software", out);
    return std::fclose(out) == 0;
}

// --- programs ---

// Runs commandLine and waits for it; false when it cannot be started, does
// not end in time or ends with another code than 0.
bool RunProgram(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", commandLine.c_str());
        return false;
    }
    DWORD exitCode = 1;
    bool ended = WaitForSingleObject(process.hProcess, kRunTimeoutMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended || exitCode != 0) {
        std::fprintf(stderr, "%s %s\n", commandLine.c_str(), ended ? "failed" : "did not end");
        return false;
    }
    return true;
}

std::string OwnPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

// The installation record's InstallStatus, 0 when there is none.
DWORD RecordedStatus() {
    Key product(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion");
    DWORD status = 0, size = sizeof status;
    if (!product.get() || RegQueryValueExA(product.get(), "InstallStatus", nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(&status), &size) != 0) {
        return 0;
    }
    return status;
}

// --- the scan ---

// The share's integration modules announce the applications to look for;
// without any, one stand-in application is looked for instead, so that the
// walk is never skipped.
void PrepareScan() {
    txr::LoadIntegrationModules();
    txr::AppTable& table = txr::Apps();
    bool searched = false;
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        searched |= txr::LocationKind(table.Records[i]) == txr::kKindFoundByScan;
    }
    if (searched) return;
    txr::AppRecord& record = table.Records[table.AppCount < txr::kAppTableCapacity
                                               ? table.AppCount++
                                               : txr::kAppTableCapacity - 1];
    std::memset(&record, 0, sizeof record);
    txr::text::Copy(record.DisplayName, "Stand-in application");
    record.KindFlags = txr::kKindFoundByScan;
    record.FileNameCount = 2;
    txr::text::Copy(record.FileNames[0], "STANDIN.EXE");
    txr::text::Copy(record.FileNames[1], "STANDIN.INI");
}

int CountFound() {
    int found = 0;
    const txr::AppTable& table = txr::Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) found += table.Records[i].PathKnown != 0;
    return found;
}

// --- the phase profile ---

// The phases of one sequence, in the order they began, with their seconds
// in each round and their registry calls.
struct Profile {
    std::vector<std::string> order;
    std::vector<std::vector<double>> rounds;  // per round, per phase in order
    std::map<std::string, long> calls;
    long totalCalls = 0;

    std::size_t Index(const std::string& phase) {
        auto found = std::find(order.begin(), order.end(), phase);
        if (found != order.end()) return static_cast<std::size_t>(found - order.begin());
        order.push_back(phase);
        return order.size() - 1;
    }
};

// Runs work with the phase hook timing each phase into a new round of
// profile; returns the seconds of the whole.
double TimePhases(Profile& profile, const std::function<void()>& work) {
    std::vector<double> seconds(profile.order.size(), 0.0);
    std::string current;
    double began = 0;
    auto close = [&](double now) {
        if (current.empty()) return;
        std::size_t index = profile.Index(current);
        if (seconds.size() <= index) seconds.resize(index + 1, 0.0);
        seconds[index] += now - began;
        current.clear();
    };
    txr::SetPhaseHook([&](const char* phase) {
        double now = Now();
        close(now);
        if (phase) {
            current = phase;
            began = Now();
        }
    });
    double whole = Time(work);
    close(Now());
    txr::SetPhaseHook({});
    profile.rounds.push_back(seconds);
    return whole;
}

// Runs work once with every registry call counted to the phase it falls in.
void CountPhaseCalls(Profile& profile, const std::function<void()>& work) {
    // Calls outside every phase would show under this name.
    std::string current = "(outside the phases)";
    txr::SetPhaseHook([&](const char* phase) {
        current = phase ? phase : "(outside the phases)";
        if (phase) profile.Index(current);
    });
    txr::reg::SetFaultHook([&](const txr::reg::Call&) {
        if (profile.calls[current]++ == 0) profile.Index(current);
        ++profile.totalCalls;
        return static_cast<LONG>(ERROR_SUCCESS);
    });
    work();
    txr::reg::SetFaultHook({});
    txr::SetPhaseHook({});
}

// One line per phase: its calls, and its seconds in the fastest round.
void PrintProfile(const char* what, const Profile& profile) {
    std::size_t best = 0;
    double bestTotal = -1;
    for (std::size_t round = 0; round < profile.rounds.size(); ++round) {
        double total = 0;
        for (double seconds : profile.rounds[round]) total += seconds;
        if (bestTotal < 0 || total < bestTotal) {
            bestTotal = total;
            best = round;
        }
    }
    std::printf("\n%-38s %8s %8s\n", what, "calls", "seconds");
    for (std::size_t i = 0; i < profile.order.size(); ++i) {
        const std::vector<double>& seconds =
            profile.rounds.empty() ? std::vector<double>() : profile.rounds[best];
        auto calls = profile.calls.find(profile.order[i]);
        std::printf("  %-36s %8ld %8.3f\n", profile.order[i].c_str(),
                    calls == profile.calls.end() ? 0L : calls->second,
                    i < seconds.size() ? seconds[i] : 0.0);
    }
    std::printf("  %-36s %8ld %8.3f\n", "all", profile.totalCalls, bestTotal < 0 ? 0 : bestTotal);
}

// --- the table ---

struct Figure {
    std::vector<double> seconds;
    double Best() const { return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end()); }
    double Median() const {
        if (seconds.empty()) return 0;
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

void PrintRow(const char* what, const Figure& figure, double floor, const char* floorMadeOf) {
    std::printf("%-38s %8.3f %8.3f", what, figure.Best(), figure.Median());
    if (floor > 0) {
        std::printf(" %8.3f %6.1f x  %s\n", floor, figure.Best() / floor, floorMadeOf);
    } else {
        std::printf("\n");
    }
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (option == "--share") {
            options->share = value;
            if (options->share.empty() || options->share.size() >= txr::kPathSize - 1) return false;
            if (options->share.back() != '\\') options->share += '\\';
        } else if (option == "--dump") {
            options->dump = value;
        } else if (option == "--rounds") {
            char* end = nullptr;
            long rounds = std::strtol(value, &end, 10);
            if (!end || *end || rounds < 1 || rounds > 100) return false;
            options->rounds = static_cast<int>(rounds);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--noop") == 0) return 0;
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: setup_benchmark.exe [--share X:\\TXR\\] [--rounds N] [--dump PREFIX]\n");
        return 2;
    }

    // This program stands in for the library loaded from the share: its
    // texts are linked in, its setup directory is the share.
    txr::OnLibraryAttach(GetModuleHandleA(nullptr));
    txr::text::Copy(txr::Library().setupDirectory, options.share.c_str());
    const std::string launcher = "\"" + options.share + "TXRSETUP.EXE\"";
    const std::string noop = "\"" + OwnPath() + "\" --noop";

    bool ok = true;
    Figure keysFloor, walkFloor, startFloor, setupRun, uninstallRun, install, uninstall, scan;
    Profile installPhases, uninstallPhases;
    auto installFromServer = [&] {
        if (!txr::InstallFromServer()) {
            std::fprintf(stderr, "InstallFromServer failed\n");
            ok = false;
        }
    };
    auto uninstallWorkstation = [&] {
        txr::UninstallWorkstation();
        if (RecordedStatus() != 0) {
            std::fprintf(stderr, "UninstallWorkstation left the installation record\n");
            ok = false;
        }
    };
    int keys = 0, found = 0;
    TreeCount tree;
    for (int round = 0; round < options.rounds; ++round) {
        keysFloor.seconds.push_back(Time([&] { keys = EnumerateKeys(); }));
        walkFloor.seconds.push_back(Time([&] { tree = WalkFixedDrives(); }));
        startFloor.seconds.push_back(Time([&] { ok &= RunProgram(noop); }));

        setupRun.seconds.push_back(Time([&] { ok &= RunProgram(launcher + " -s"); }));
        if (RecordedStatus() != txr::kInstallStatusClean) {
            std::fprintf(stderr, "TXRSETUP.EXE -s did not set up the workstation cleanly\n");
            ok = false;
        }
        uninstallRun.seconds.push_back(Time([&] { ok &= RunProgram(launcher + " -s -u"); }));

        install.seconds.push_back(TimePhases(installPhases, installFromServer));
        if (round == 0 && !options.dump.empty()) ok &= DumpRegistry(options.dump + "-installed.txt");
        uninstall.seconds.push_back(TimePhases(uninstallPhases, uninstallWorkstation));
        if (round == 0 && !options.dump.empty()) {
            ok &= DumpRegistry(options.dump + "-uninstalled.txt");
        }

        PrepareScan();
        scan.seconds.push_back(Time([] { txr::ScanForApps(nullptr, nullptr); }));
        found = CountFound();
    }
    // One more install and uninstall with every registry call counted (the
    // counting hook costs time of its own, so these are not timed), and the
    // floor's calls.
    CountPhaseCalls(installPhases, installFromServer);
    CountPhaseCalls(uninstallPhases, uninstallWorkstation);
    floorCalls = 0;
    EnumerateKeys();
    const long keysFloorCalls = floorCalls;

    std::printf("Workstation: HKEY_CLASSES_ROOT with %d keys walked (top level and Quick View "
                "entries);\n"
                "fixed drives %s with %d folders and %d files.\n"
                "Applications with a location after the scan: %d.  Seconds; best and median of\n"
                "%d round(s).\n\n",
                keys, tree.drives.c_str(), tree.folders, tree.files, found, options.rounds);
    std::printf("%-38s %8s %8s %8s %8s  %s\n", "", "best", "median", "floor", "ratio",
                "floor made of");
    const double keysBest = keysFloor.Best(), walkBest = walkFloor.Best(),
                 startBest = startFloor.Best();
    PrintRow("TXRSETUP.EXE -s (whole run)", setupRun, startBest + keysBest + walkBest,
             "start + keys + walk");
    PrintRow("TXRSETUP.EXE -s -u (whole run)", uninstallRun, startBest + keysBest, "start + keys");
    PrintRow("install sequence (InstallFromServer)", install, keysBest, "keys");
    PrintRow("uninstall (UninstallWorkstation)", uninstall, keysBest, "keys");
    PrintRow("program scan (ScanForApps)", scan, walkBest, "walk");
    PrintRow("floor: keys", keysFloor, 0, "");
    PrintRow("floor: walk", walkFloor, 0, "");
    PrintRow("floor: start", startFloor, 0, "");
    std::printf("\nThe keys floor makes %ld registry calls.\n", keysFloorCalls);
    PrintProfile("install sequence, by phase", installPhases);
    PrintProfile("uninstall, by phase", uninstallPhases);
    return ok ? 0 : 1;
}
