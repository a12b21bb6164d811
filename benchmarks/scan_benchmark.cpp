// Speed of the program scan on a large drive.
//
// Makes (once; a marker file remembers it) a tree of 20,000 folders and
// 200,000 files below the root given, in which three applications lie: one
// in three folders, one in two, one in one, and each application's first
// file alone in some more folders.  Then reports, each the best of the
// rounds:
//   - the floor: one plain FindFirstFileA/FindNextFileA walk of every fixed
//     drive, entering the same folders the scan enters;
//   - ScanForApps for all applications without a window;
//   - the walk as first written (every folder listed twice: its files, then
//     its sub-folders), whose found lists must equal the scan's, folder for
//     folder and in the same order (exit code 1 if not).
//
//   scan_benchmark.exe ROOT [--folders N] [--files N] [--rounds N]
//
// ROOT is the root of a fixed drive mapped to an empty or earlier benchmark
// folder (scripts/scan-benchmark maps S:).
#include "integration/program_scan.h"

#include "platform/bounded_text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Shape {
    int folders = 20000;
    int files = 200000;
    int rounds = 3;
};

// Three applications: the places where all their files lie, by folder
// number, and the places where only their first file lies.
struct Application {
    const char* key;
    const char* names[2];
    std::vector<int> complete;
    std::vector<int> partial;
};

std::vector<Application> Applications(int folders) {
    return {
        {"Ledger", {"LEDGER32.EXE", "LEDGER.CFG"}, {folders / 7, folders / 2, folders - 3}, {5, 900}},
        {"Sketch", {"SKETCH.EXE", "STENCILS.DAT"}, {folders / 3, folders / 5}, {17}},
        {"Mailer", {"MAILER.EXE", "MAILER.INI"}, {folders * 2 / 3}, {}},
    };
}

// Every folder of the tree, parents before children: 20 top-level folders,
// and below each of them groups of one folder with 49 more inside.
std::vector<std::string> FolderPaths(const std::string& root, int folders) {
    const int top = 20;
    std::vector<std::string> paths;
    for (int t = 0; t < top; ++t) paths.push_back(root + "Top" + std::to_string(t) + "\\");
    const int below = std::max(folders - top, 0);
    for (int t = 0; t < top; ++t) {
        int left = below / top + (t < below % top ? 1 : 0);
        for (int g = 0; left > 0; ++g) {
            std::string group = paths[static_cast<std::size_t>(t)] + "Group" + std::to_string(g) + "\\";
            paths.push_back(group);
            --left;
            for (int k = 0; k < 49 && left > 0; ++k, --left) {
                paths.push_back(group + "Folder" + std::to_string(k) + "\\");
            }
        }
    }
    return paths;
}

bool MakeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// The tree below root; false when it cannot be made.
bool MakeTree(const std::string& root, const Shape& shape) {
    std::string marker = root + "SCANTREE-" + std::to_string(shape.folders) + "-" +
                         std::to_string(shape.files) + ".TXT";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    std::printf("Making %d folders and %d files below %s (once)...\n", shape.folders, shape.files,
                root.c_str());
    std::vector<Application> apps = Applications(shape.folders);
    int made = 0;
    std::vector<std::string> paths = FolderPaths(root, shape.folders);
    for (const std::string& path : paths) {
        if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            std::fprintf(stderr, "cannot make %s\n", path.c_str());
            return false;
        }
    }
    const int perFolder = shape.files / shape.folders;
    int extra = shape.files % shape.folders;
    for (int i = 0; i < static_cast<int>(paths.size()); ++i) {
        const std::string& folder = paths[static_cast<std::size_t>(i)];
        int count = perFolder + (i < extra ? 1 : 0);
        std::vector<std::string> names;
        for (const Application& app : apps) {
            if (std::find(app.complete.begin(), app.complete.end(), i) != app.complete.end()) {
                names.push_back(app.names[0]);
                names.push_back(app.names[1]);
            } else if (std::find(app.partial.begin(), app.partial.end(), i) != app.partial.end()) {
                names.push_back(app.names[0]);
            }
        }
        for (int f = 0; static_cast<int>(names.size()) < count; ++f) {
            names.push_back("DOC" + std::to_string(f) + (f % 3 ? ".TXT" : ".DAT"));
        }
        for (const std::string& name : names) {
            if (!MakeFile(folder + name)) {
                std::fprintf(stderr, "cannot make %s%s\n", folder.c_str(), name.c_str());
                return false;
            }
            ++made;
        }
    }
    MakeFile(marker);
    std::printf("  %d files made\n", made);
    return true;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class Work>
double Time(Work work) {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    work();
    QueryPerformanceCounter(&to);
    return Seconds(from, to);
}

std::vector<std::string> FixedRoots() {
    std::vector<std::string> roots;
    char buffer[255];
    DWORD length = GetLogicalDriveStringsA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return roots;
    for (const char* root = buffer; *root; root += std::strlen(root) + 1) {
        if (GetDriveTypeA(root) == DRIVE_FIXED) roots.push_back(root);
    }
    return roots;
}

bool Entered(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.' &&
           !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The floor: one listing of every folder the scan enters.
void PlainWalk(const char* folder, long* entries) {
    char pattern[MAX_PATH];
    if (!txr::text::FormatTo(pattern, sizeof pattern, "%s*.*", folder)) return;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> below;
    do {
        ++*entries;
        if (Entered(entry)) below.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    for (const std::string& name : below) {
        char child[MAX_PATH];
        if (txr::text::FormatTo(child, sizeof child, "%s%s\\", folder, name.c_str())) {
            PlainWalk(child, entries);
        }
    }
}

// The walk as first written: arm the counters, list the files, then list
// the folder again for its sub-folders.
void TwoListingWalk(const char* folder, txr::FoundLists& heads) {
    txr::AppTable& table = txr::Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        txr::AppRecord& r = table.Records[i];
        r.ScanRemaining = (txr::LocationKind(r) == txr::kKindFoundByScan && !r.PathKnown)
                              ? r.FileNameCount
                              : 0;
    }
    char pattern[MAX_PATH];
    if (!txr::text::FormatTo(pattern, sizeof pattern, "%s*.*", folder)) return;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        for (std::uint32_t i = 0; i < table.AppCount; ++i) {
            txr::AppRecord& r = table.Records[i];
            if (r.ScanRemaining == 0 || r.FileNameCount == 0) continue;
            for (std::uint32_t j = 0; j < r.FileNameCount; ++j) {
                if (lstrcmpiA(entry.cFileName, r.FileNames[j]) == 0 && --r.ScanRemaining == 0) {
                    txr::FoundCopy copy;
                    txr::text::Copy(copy.Path, folder);
                    heads[i].Copies.push_back(copy);
                    break;
                }
            }
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!Entered(entry)) continue;
        char child[MAX_PATH];
        if (txr::text::FormatTo(child, sizeof child, "%s%s\\", folder, entry.cFileName)) {
            TwoListingWalk(child, heads);
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

void FillTable(const std::vector<Application>& apps) {
    txr::AppTable& table = txr::Apps();
    table = txr::AppTable{};
    for (const Application& app : apps) {
        txr::AppRecord& r = table.Records[table.AppCount++];
        txr::text::Copy(r.KeyName, app.key);
        txr::text::Copy(r.DisplayName, app.key);
        r.KindFlags = txr::kKindFoundByScan;
        r.FileNameCount = 2;
        txr::text::Copy(r.FileNames[0], app.names[0]);
        txr::text::Copy(r.FileNames[1], app.names[1]);
        r.Status = txr::kStatusNotIntegrated;
        r.Action = txr::kActionNone;
    }
}

std::vector<std::string> Paths(const txr::FoundListHead& head) {
    std::vector<std::string> paths;
    for (const txr::FoundCopy& copy : head.Copies) paths.push_back(copy.Path);
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_benchmark.exe ROOT [--folders N] [--files N] [--rounds N]\n");
        return 2;
    }
    std::string root = argv[1];
    if (root.back() != '\\') root += '\\';
    Shape shape;
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        int value = std::atoi(argv[i + 1]);
        if (option == "--folders") shape.folders = std::max(value, 100);
        else if (option == "--files") shape.files = std::max(value, 0);
        else if (option == "--rounds") shape.rounds = std::max(value, 1);
    }
    if (GetDriveTypeA(root.substr(0, 3).c_str()) != DRIVE_FIXED) {
        std::fprintf(stderr, "%s is not on a fixed drive\n", root.c_str());
        return 2;
    }
    if (!MakeTree(root, shape)) return 2;
    std::vector<Application> apps = Applications(shape.folders);
    std::vector<std::string> roots = FixedRoots();
    std::printf("Fixed drives walked:");
    for (const std::string& r : roots) std::printf(" %s", r.c_str());
    std::printf("\n");

    double floor = 1e9, scan = 1e9, twice = 1e9;
    long entries = 0;
    bool same = true;
    static txr::FoundLists viaScan, viaTwoListings;
    for (int round = 0; round < shape.rounds; ++round) {
        entries = 0;
        floor = std::min(floor, Time([&] {
            for (const std::string& r : roots) PlainWalk(r.c_str(), &entries);
        }));

        FillTable(apps);
        scan = std::min(scan, Time([&] { txr::ScanForApps(nullptr, nullptr); }));
        for (std::size_t i = 0; i < apps.size(); ++i) {
            const txr::AppRecord& r = txr::Apps().Records[i];
            if (!r.PathKnown) same = false;
        }

        FillTable(apps);
        for (txr::FoundListHead& head : viaTwoListings) head.Copies.clear();
        twice = std::min(twice, Time([&] {
            for (const std::string& r : roots) TwoListingWalk(r.c_str(), viaTwoListings);
        }));
    }

    // The found lists themselves, folder for folder.
    FillTable(apps);
    txr::FindAppCopies(nullptr, nullptr, viaScan);
    for (std::size_t i = 0; i < apps.size(); ++i) {
        std::vector<std::string> a = Paths(viaScan[i]), b = Paths(viaTwoListings[i]);
        std::printf("%-8s found in %zu folder(s)%s\n", apps[i].key, a.size(),
                    a == b ? "" : "  <-- differs from the walk as first written");
        if (a != b || a.size() != apps[i].complete.size()) same = false;
        for (const std::string& path : a) std::printf("           %s\n", path.c_str());
    }

    std::printf("\nEntries listed by the floor walk: %ld\n", entries);
    std::printf("Best of %d rounds:\n", shape.rounds);
    std::printf("  floor (one plain listing per folder)    %8.3f s\n", floor);
    std::printf("  ScanForApps, all applications          %8.3f s   %.2fx the floor\n", scan,
                scan / floor);
    std::printf("  walk as first written (two listings)    %8.3f s   %.2fx the floor\n", twice,
                twice / floor);
    std::printf("Results %s\n", same ? "identical, in the same order" : "DIFFER");
    return same ? 0 : 1;
}
