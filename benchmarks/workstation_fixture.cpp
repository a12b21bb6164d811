// Makes a workstation of a realistic size for the setup benchmark
// (scripts/benchmark): fills the real HKEY_CLASSES_ROOT of the current
// prefix and a folder tree on a drive.  Meant for a throwaway prefix.
//
//   workstation_fixture.exe --tree FOLDER [--types N] [--quickview N]
//                           [--entries N] [--folders N]
//
// HKEY_CLASSES_ROOT gains:
//   - N top-level keys (--types, 10,000): extensions ".bNNNNN" naming a file
//     type, and file types "BenchNNNNN.File" with a description, an icon and
//     an open command;
//   - a "QuickView" subkey on --quickview of the file types (1,000): half of
//     them redundant (the system's "*" entry), half naming another viewer;
//   - "QuickView" with --entries extension entries (1,000): half served by
//     the system's viewer, half by another viewer;
//   - the Exchange menu verbs, with their "Quick View" texts.
// FOLDER gains --folders folders (20,000), three levels deep, each with a
// small file, and one copy of Quillpad Editor (QUILLPAD.EXE and
// QUILLPAD.INI), which the sample integration module AIQUILL.DLL looks for.
//
// Exit code 0 when everything was made, 1 when not, 2 for bad options.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kSystemViewer[] = "{F0F08735-0C36-101B-B086-0020AF07D0F4}";
constexpr char kOtherViewer[] = "{12345678-0C36-101B-B086-0020AF07D0F4}";

struct Shape {
    int types = 10000;
    int quickViewTypes = 1000;
    int entries = 1000;
    int folders = 20000;
    std::string tree;
};

// --- registry ---

class Key {
public:
    Key(HKEY parent, const std::string& path) {
        if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool ok() const { return key_ != nullptr; }
    HKEY get() const { return key_; }
    bool Set(const char* name, const std::string& text) {
        return key_ && RegSetValueExA(key_, name, 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(text.c_str()),
                                      static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

bool SetString(const std::string& path, const std::string& text) {
    Key key(HKEY_CLASSES_ROOT, path);
    return key.Set(nullptr, text);
}

bool FillClasses(const Shape& shape) {
    bool ok = true;
    char name[64];
    int fileTypes = 0;
    for (int i = 0; i < shape.types; ++i) {
        if (i % 2 == 0) {
            std::snprintf(name, sizeof name, ".b%05d", i / 2);
            char type[64];
            std::snprintf(type, sizeof type, "Bench%05d.File", i / 2);
            ok &= SetString(name, type);
            continue;
        }
        std::snprintf(name, sizeof name, "Bench%05d.File", i / 2);
        std::string type = name;
        ok &= SetString(type, "Bench document " + std::to_string(i / 2));
        ok &= SetString(type + "\\DefaultIcon", "C:\\Program Files\\Bench\\bench.exe,1");
        ok &= SetString(type + "\\shell\\open\\command",
                        "\"C:\\Program Files\\Bench\\bench.exe\" \"%1\"");
        if (fileTypes < shape.quickViewTypes) {
            ok &= SetString(type + "\\QuickView", fileTypes % 2 == 0 ? "*" : kOtherViewer);
            ++fileTypes;
        }
    }
    for (int i = 0; i < shape.entries; ++i) {
        std::snprintf(name, sizeof name, "QuickView\\.q%05d\\%s", i,
                      i % 2 == 0 ? kSystemViewer : kOtherViewer);
        ok &= SetString(name, "Viewer");
    }
    ok &= SetString("CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2", "&Quick View,0,2");
    ok &= SetString("CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3", "&Quick View,0,2");
    ok &= SetString("CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2",
                    "&Quick View, 0, 2");
    if (!ok) std::fprintf(stderr, "workstation_fixture: some registry keys could not be made\n");
    return ok;
}

// --- folders ---

bool WriteSmallFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    return CloseHandle(file) && ok;
}

bool MakeFolder(const std::string& path, int* made) {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    ++*made;
    return WriteSmallFile(path + "\\readme.txt", "A folder of the benchmark's drive.\r\n");
}

// Three levels of 20, 20 and up to 50 folders (more at the third level for
// more than 20,000: as many as the count needs), made breadth first until
// the count is reached.
bool FillTree(const Shape& shape) {
    const int fanOut[3] = {20, 20, std::max(50, (shape.folders + 399) / 400)};
    int made = 0;
    bool ok = true;
    auto name = [](const char* stem, int i) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%02d", stem, i);  // "Item100" past 99
        return std::string(text);
    };
    std::string root = shape.tree;
    if (!root.empty() && root.back() == '\\') root.pop_back();
    for (int a = 0; a < fanOut[0] && made < shape.folders; ++a) {
        ok &= MakeFolder(root + "\\" + name("Projects", a), &made);
    }
    for (int a = 0; a < fanOut[0]; ++a) {
        for (int b = 0; b < fanOut[1] && made < shape.folders; ++b) {
            ok &= MakeFolder(root + "\\" + name("Projects", a) + "\\" + name("Part", b), &made);
        }
    }
    for (int a = 0; a < fanOut[0]; ++a) {
        for (int b = 0; b < fanOut[1]; ++b) {
            for (int c = 0; c < fanOut[2] && made < shape.folders; ++c) {
                ok &= MakeFolder(root + "\\" + name("Projects", a) + "\\" + name("Part", b) + "\\" +
                                     name("Item", c),
                                 &made);
            }
        }
    }
    // Quillpad Editor, deep in the tree.
    std::string quillpad = root + "\\" + name("Projects", 7) + "\\" + name("Part", 11);
    ok &= WriteSmallFile(quillpad + "\\QUILLPAD.EXE", "MZ Quillpad Editor\r\n");
    ok &= WriteSmallFile(quillpad + "\\QUILLPAD.INI", "[Viewer]\r\nProgram=NOTEPAD.EXE\r\n");
    if (!ok) std::fprintf(stderr, "workstation_fixture: some folders could not be made\n");
    std::printf("%s: %d folders\n", shape.tree.c_str(), made);
    return ok;
}

bool ReadCount(const char* text, int* out) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!end || *end || value < 0 || value > 10000000) return false;
    *out = static_cast<int>(value);
    return true;
}

bool ParseOptions(int argc, char** argv, Shape* shape) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (option == "--tree") {
            shape->tree = value;
        } else if (option == "--types") {
            if (!ReadCount(value, &shape->types)) return false;
        } else if (option == "--quickview") {
            if (!ReadCount(value, &shape->quickViewTypes)) return false;
        } else if (option == "--entries") {
            if (!ReadCount(value, &shape->entries)) return false;
        } else if (option == "--folders") {
            if (!ReadCount(value, &shape->folders)) return false;
        } else {
            return false;
        }
    }
    return !shape->tree.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Shape shape;
    if (!ParseOptions(argc, argv, &shape)) {
        std::fprintf(stderr,
                     "usage: workstation_fixture.exe --tree FOLDER [--types N] [--quickview N] "
                     "[--entries N] [--folders N]\n");
        return 2;
    }
    bool ok = FillClasses(shape);
    std::printf("HKEY_CLASSES_ROOT: %d top-level keys (%d with \"QuickView\"), %d Quick View "
                "entries\n",
                shape.types, shape.quickViewTypes < shape.types / 2 ? shape.quickViewTypes
                                                                    : shape.types / 2,
                shape.entries);
    ok &= FillTree(shape);
    return ok ? 0 : 1;
}
