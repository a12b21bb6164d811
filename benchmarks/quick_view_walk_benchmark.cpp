// Speed of the Quick View walks on a registry of a real workstation's size.
//
// Fills a scratch HKEY_CLASSES_ROOT with many top-level keys (some with a
// "QuickView" subkey, half of those redundant) and a "QuickView" key with
// many extension entries (half of them the system viewer's), then reports:
//   - the floor: one enumeration of the same keys with one open attempt per
//     key, the least any walk over them can cost;
//   - the install mode of TXRRegQuickView and of TXRRegQuickViewOther;
//   - the same installs done by the walk as first written (back to the
//     first entry after every removal), on a fresh copy of the same data;
// and compares the two resulting registries key for key and value for
// value (entries removed, saved copies made).  Exit code 0 when they are
// identical, 1 when not, 2 when the scratch registry cannot be made.
//
//   quick_view_walk_benchmark.exe [--types N] [--quickview N] [--entries N]
//                                 [--rounds N] [--count]
//
// Each figure is the best of the rounds (3 by default); --count also lists
// the registry calls of each walk.
//
// The process's HKEY_CLASSES_ROOT points at a scratch key below the real
// HKEY_CURRENT_USER while it runs; the scratch key is deleted afterwards.
#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kSystemViewer[] = "{F0F08735-0C36-101B-B086-0020AF07D0F4}";
constexpr char kFileViewer[] = "{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kOtherViewer[] = "{12345678-0C36-101B-B086-0020AF07D0F4}";

struct Shape {
    int types = 10000;      // top-level keys besides "QuickView"
    int quickViewTypes = 1000;  // of them with a "QuickView" subkey, half redundant
    int entries = 1000;     // extension entries of HKCR\QuickView, half marked
    int rounds = 3;
};

// --- scratch registry ---

// Scratch keys below the real HKEY_CURRENT_USER, any of which can stand in
// for HKEY_CLASSES_ROOT; all are deleted at the end.
class ScratchClassesRoots {
public:
    explicit ScratchClassesRoots(std::string base) : base_(std::move(base)) {}
    ~ScratchClassesRoots() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        for (HKEY key : keys_) RegCloseKey(key);
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    ScratchClassesRoots(const ScratchClassesRoots&) = delete;
    ScratchClassesRoots& operator=(const ScratchClassesRoots&) = delete;

    // A new empty scratch key; null on failure.
    HKEY Make() {
        std::string path = base_ + "\\root" + std::to_string(keys_.size());
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return nullptr;
        }
        keys_.push_back(key);
        return key;
    }

    // Points HKEY_CLASSES_ROOT at key.
    static void Use(HKEY key) { RegOverridePredefKey(HKEY_CLASSES_ROOT, key); }

private:
    std::string base_;
    std::vector<HKEY> keys_;
};

void CreateKey(const std::string& path, const char* value = nullptr) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(2);
    }
    if (value) {
        RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(std::strlen(value) + 1));
    }
    RegCloseKey(key);
}

// The same data every time.  Keys with a "QuickView" subkey are spread
// evenly among the others; redundant ones and the others alternate, as do
// marked and unmarked extension entries.
void Fill(const Shape& shape) {
    int every = shape.quickViewTypes ? std::max(1, shape.types / shape.quickViewTypes) : 0;
    int withQuickView = 0;
    for (int i = 0; i < shape.types; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, i % 2 ? ".ext%05d" : "type%05dfile", i);
        CreateKey(name, "A file type");
        if (every && i % every == 0 && withQuickView < shape.quickViewTypes) {
            const char* viewer = nullptr;
            switch (withQuickView++ % 4) {
            case 0: viewer = "*"; break;             // redundant
            case 1: viewer = kFileViewer; break;     // another viewer: stays
            case 2: viewer = kSystemViewer; break;   // redundant
            default: viewer = kOtherViewer; break;   // stays
            }
            CreateKey(std::string(name) + "\\QuickView", viewer);
            CreateKey(std::string(name) + "\\QuickView\\Settings", "kept with it");
        }
    }
    CreateKey("QuickView", "Quick View");
    for (int i = 0; i < shape.entries; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, ".q%05d", i);
        switch (i % 4) {
        case 0: CreateKey(std::string("QuickView\\") + name); break;  // no viewer: marked
        case 1: CreateKey(std::string("QuickView\\") + name + "\\" + kOtherViewer); break;
        case 2: CreateKey(std::string("QuickView\\") + name + "\\" + kSystemViewer); break;
        default: CreateKey(std::string("QuickView\\") + name + "\\" + kFileViewer); break;
        }
    }
}

// --- snapshots ---

using Values = std::map<std::string, std::pair<DWORD, std::vector<BYTE>>>;
using Tree = std::map<std::string, Values>;

void ReadInto(HKEY key, const std::string& path, Tree& tree) {
    Values& values = tree[path];
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[1024];
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS) {
            break;
        }
        values[name] = {type, std::vector<BYTE>(data, data + dataLength)};
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            ReadInto(child, path + "\\" + name, tree);
            RegCloseKey(child);
        }
    }
}

Tree Snapshot() {
    Tree tree;
    ReadInto(HKEY_CLASSES_ROOT, "", tree);
    return tree;
}

// --- timing ---

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

template <typename Work>
double Time(Work work) {
    double start = Now();
    work();
    return Now() - start;
}

// --- the floor: one enumeration, one open attempt per key ---

void EnumerateWithOneOpenEach(HKEY parent, const char* suffix) {
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (txr::reg::EnumKey(parent, index, name, &length) != ERROR_SUCCESS) break;
        char path[512];
        txr::text::FormatTo(path, sizeof path, "%s%s", name, suffix);
        HKEY key = nullptr;
        if (txr::reg::Open(parent, path, txr::kFullAccess, &key) == ERROR_SUCCESS) {
            txr::reg::Close(key);
        }
    }
}

void Floor() {
    EnumerateWithOneOpenEach(HKEY_CLASSES_ROOT, "\\QuickView");
    HKEY quickView = nullptr;
    if (txr::reg::Open(HKEY_CLASSES_ROOT, "QuickView", txr::kFullAccess, &quickView) ==
        ERROR_SUCCESS) {
        EnumerateWithOneOpenEach(quickView, "");
        txr::reg::Close(quickView);
    }
}

// --- the walks as first written ---

// TXRRegQuickView's install: back to the first entry after every removal.
void QuickViewAsWritten() {
    HKEY quickView = nullptr;
    if (txr::reg::Open(HKEY_CLASSES_ROOT, "QuickView", txr::kFullAccess, &quickView) !=
        ERROR_SUCCESS) {
        return;
    }
    DWORD index = 0;
    for (;;) {
        char name[128];
        DWORD length = sizeof name;
        if (txr::reg::EnumKey(quickView, index, name, &length) != ERROR_SUCCESS) break;
        bool marked = false;
        if (name[0] == '.') {
            HKEY entry = nullptr;
            if (txr::reg::Open(quickView, name, txr::kFullAccess, &entry) == ERROR_SUCCESS) {
                char viewer[128];
                DWORD viewerLength = sizeof viewer;
                marked = txr::reg::EnumKey(entry, 0, viewer, &viewerLength) != ERROR_SUCCESS ||
                         std::memcmp(viewer, kSystemViewer, sizeof kSystemViewer) == 0;
                txr::reg::Close(entry);
            }
        } else if (name[0] == '*') {
            marked = true;
        }
        if (marked) {
            txr::DeleteKeyTree(quickView, name);
            index = 0;
        } else {
            ++index;
        }
    }
    txr::reg::Close(quickView);
}

// TXRRegQuickViewOther's install: copy aside, then delete.
void QuickViewOtherAsWritten() {
    for (DWORD index = 0;; ++index) {
        char name[128];
        DWORD length = sizeof name;
        if (txr::reg::EnumKey(HKEY_CLASSES_ROOT, index, name, &length) != ERROR_SUCCESS) break;
        char path[256];
        char saved[256];
        txr::text::FormatTo(path, sizeof path, "%s\\QuickView", name);
        txr::text::FormatTo(saved, sizeof saved, "%s\\QuickView.Original", name);
        HKEY key = nullptr;
        if (txr::reg::Open(HKEY_CLASSES_ROOT, path, txr::kFullAccess, &key) != ERROR_SUCCESS) {
            continue;
        }
        char viewer[128];
        bool redundant = false;
        if (txr::QueryRegistryString(key, nullptr, viewer, sizeof viewer) == ERROR_SUCCESS) {
            redundant = viewer[0] != '{' ||
                        std::memcmp(viewer, kSystemViewer, sizeof kSystemViewer) == 0;
        }
        txr::reg::Close(key);
        if (redundant) {
            txr::CopyKeyTree(HKEY_CLASSES_ROOT, path, HKEY_CLASSES_ROOT, saved);
            txr::DeleteKeyTree(HKEY_CLASSES_ROOT, path);
        }
    }
}

// The install engine's saved copy, made before the takeover (not timed).
void EngineCopy() {
    txr::CopyKeyTree(HKEY_CLASSES_ROOT, "QuickView", HKEY_CLASSES_ROOT, "QuickView.Original");
}

bool EndsWith(const std::string& path, const char* suffix) {
    std::size_t length = std::strlen(suffix);
    return path.size() >= length && path.compare(path.size() - length, length, suffix) == 0;
}

// Registry calls of the library per kind, while counting is on.
std::map<int, unsigned long> g_calls;

void StartCounting() {
    g_calls.clear();
    txr::reg::SetFaultHook([](const txr::reg::Call& call) {
        ++g_calls[static_cast<int>(call.op)];
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}

std::string StopCounting() {
    txr::reg::SetFaultHook({});
    static const char* const kNames[] = {"Open", "Create", "QueryValue", "SetValue", "EnumKey",
                                         "EnumValue", "QueryInfo", "DeleteKey", "DeleteValue",
                                         "Close"};
    std::string text;
    unsigned long total = 0;
    for (const auto& [op, count] : g_calls) {
        text += std::string(" ") + kNames[op] + " " + std::to_string(count);
        total += count;
    }
    return std::to_string(total) + " calls:" + text;
}

double Best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

bool HasFlag(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return true;
    }
    return false;
}

int ArgumentAfter(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    Shape shape;
    shape.types = ArgumentAfter(argc, argv, "--types", shape.types);
    shape.quickViewTypes = ArgumentAfter(argc, argv, "--quickview", shape.quickViewTypes);
    shape.entries = ArgumentAfter(argc, argv, "--entries", shape.entries);
    shape.rounds = std::max(1, ArgumentAfter(argc, argv, "--rounds", shape.rounds));

    ScratchClassesRoots scratch("Software\\OrbiselBenchmark\\" +
                                std::to_string(GetCurrentProcessId()));

    std::printf("Scratch HKEY_CLASSES_ROOT: %d top-level keys (%d with \"QuickView\", half "
                "redundant) and \"QuickView\" with %d extension entries (half marked).\n"
                "Seconds, best of %d round(s).\n\n",
                shape.types, shape.quickViewTypes, shape.entries, shape.rounds);

    std::vector<double> floors, takeovers, others, takeoversAsWritten, othersAsWritten;
    bool identical = true;
    Tree walked;
    for (int round = 0; round < shape.rounds; ++round) {
        // The same data twice: one for the exports, one for the walk as
        // first written.  Which goes first alternates from round to round.
        HKEY exports = scratch.Make();
        HKEY asWritten = scratch.Make();
        if (!exports || !asWritten) return 2;
        for (HKEY root : {exports, asWritten}) {
            ScratchClassesRoots::Use(root);
            Fill(shape);
            EngineCopy();
        }
        for (int turn = 0; turn < 2; ++turn) {
            bool ours = (turn + round) % 2 == 0;
            ScratchClassesRoots::Use(ours ? exports : asWritten);
            floors.push_back(Time(Floor));
            if (ours) {
                takeovers.push_back(
                    Time([] { TXRRegQuickView(txr::kModeInstall, nullptr, nullptr); }));
                others.push_back(
                    Time([] { TXRRegQuickViewOther(txr::kModeInstall, nullptr, nullptr); }));
            } else {
                takeoversAsWritten.push_back(Time(QuickViewAsWritten));
                othersAsWritten.push_back(Time(QuickViewOtherAsWritten));
            }
        }
        ScratchClassesRoots::Use(exports);
        walked = Snapshot();
        ScratchClassesRoots::Use(asWritten);
        if (Snapshot() != walked) identical = false;
    }

    double floor = Best(floors);
    double takeover = Best(takeovers);
    double other = Best(others);
    double both = takeover + other;
    double writtenTakeover = Best(takeoversAsWritten);
    double writtenOther = Best(othersAsWritten);
    auto times = [floor](double seconds) { return floor > 0 ? seconds / floor : 0.0; };
    std::printf("floor (enumeration, one open attempt per key)   %8.3f\n", floor);
    std::printf("TXRRegQuickView install                         %8.3f\n", takeover);
    std::printf("TXRRegQuickViewOther install                    %8.3f\n", other);
    std::printf("both installs                                   %8.3f  = %.2f x floor (aim: 3)\n",
                both, times(both));
    std::printf("as first written: TXRRegQuickView               %8.3f\n", writtenTakeover);
    std::printf("as first written: TXRRegQuickViewOther          %8.3f\n", writtenOther);
    std::printf("as first written: both                          %8.3f  = %.2f x floor\n",
                writtenTakeover + writtenOther, times(writtenTakeover + writtenOther));
    if (HasFlag(argc, argv, "--count")) {
        // The registry calls of each walk on fresh copies of the same data.
        HKEY exports = scratch.Make();
        HKEY asWritten = scratch.Make();
        if (!exports || !asWritten) return 2;
        for (HKEY root : {exports, asWritten}) {
            ScratchClassesRoots::Use(root);
            Fill(shape);
            EngineCopy();
        }
        ScratchClassesRoots::Use(exports);
        StartCounting();
        Floor();
        std::printf("\nfloor:                          %s\n", StopCounting().c_str());
        StartCounting();
        TXRRegQuickView(txr::kModeInstall, nullptr, nullptr);
        std::printf("TXRRegQuickView:                %s\n", StopCounting().c_str());
        StartCounting();
        TXRRegQuickViewOther(txr::kModeInstall, nullptr, nullptr);
        std::printf("TXRRegQuickViewOther:           %s\n", StopCounting().c_str());
        ScratchClassesRoots::Use(asWritten);
        StartCounting();
        QuickViewAsWritten();
        std::printf("as first written, QuickView:    %s\n", StopCounting().c_str());
        StartCounting();
        QuickViewOtherAsWritten();
        std::printf("as first written, Other:        %s\n", StopCounting().c_str());
    }

    int entriesLeft = 0;
    int savedTypes = 0;
    for (const auto& entry : walked) {
        const std::string& path = entry.first;
        if (path.rfind("\\QuickView\\.", 0) == 0 && path.find('\\', 11) == std::string::npos) {
            ++entriesLeft;
        }
        if (path != "\\QuickView.Original" && EndsWith(path, "\\QuickView.Original")) ++savedTypes;
    }
    std::printf("\nresult: %zu keys; %d extension entries left in QuickView; %d file types' "
                "\"QuickView\" saved as \"QuickView.Original\"\n",
                walked.size(), entriesLeft, savedTypes);
    std::printf("identical to the walk as first written: %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}
