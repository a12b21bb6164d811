#include "plugins/module_search.h"

#include "platform/bounded_text.h"

#include <string>
#include <vector>

namespace txr {
namespace {

constexpr std::size_t kMostPath = 259;
constexpr DWORD kDriveListSize = 255;

bool IsFolder(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Calls visit for every entry of folder; stops when visit returns true.
template <class Visit>
bool ForEachEntry(const std::string& folder, Visit visit) {
    std::string pattern = folder + "*.*";
    if (pattern.size() > kMostPath) return false;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool stopped = false;
    do {
        if (visit(entry)) {
            stopped = true;
            break;
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return stopped;
}

std::vector<std::string> SplitAlternatives(const char* names) {
    std::vector<std::string> alternatives;
    std::string current;
    for (const char* p = names; *p; p = CharNextA(p)) {
        if (*p == ',') {
            alternatives.push_back(current);
            current.clear();
        } else {
            current.append(p, CharNextA(p) - p);
        }
    }
    alternatives.push_back(current);
    return alternatives;
}

}  // namespace

int SearchFolderForFile(const char* folder, const char* fileName, char* out, HWND progress) {
    if (progress) SetWindowTextA(progress, folder);
    const std::string base = folder;
    bool found = ForEachEntry(base, [&](const WIN32_FIND_DATAA& entry) {
        return !IsFolder(entry) && lstrcmpiA(entry.cFileName, fileName) == 0;
    });
    if (found) {
        std::string path = base + fileName;
        if (path.size() <= kMostPath) {
            text::CopyTo(out, kMostPath + 1, path.c_str());
            return 1;
        }
    }
    bool inSubfolder = ForEachEntry(base, [&](const WIN32_FIND_DATAA& entry) {
        if (!IsFolder(entry) || entry.cFileName[0] == '.') return false;
        std::string child = base + entry.cFileName + "\\";
        if (child.size() + 3 > kMostPath) return false;  // no room for "*.*"
        return SearchFolderForFile(child.c_str(), fileName, out, progress) == 1;
    });
    return inSubfolder ? 1 : 0;
}

int ScanDrivesForModule(char* out, const char* moduleNames, HWND progress) {
    char drives[kDriveListSize + 1] = "";
    DWORD length = GetLogicalDriveStringsA(kDriveListSize, drives);
    if (length == 0 || length > kDriveListSize) return 0;
    for (const std::string& alternative : SplitAlternatives(moduleNames)) {
        if (alternative.empty()) continue;
        for (const char* root = drives; *root; root += lstrlenA(root) + 1) {
            if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
            if (SearchFolderForFile(root, alternative.c_str(), out, progress)) return 1;
        }
    }
    return 0;
}

}  // namespace txr
