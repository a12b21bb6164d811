#include "tests/support/scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace txr::test {

ScratchFolder::ScratchFolder() {
    static int serial = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "txrtest_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++serial) + "\\";
    DeleteFolderTree(path_);
    MakeFolders(path_);
}

ScratchFolder::~ScratchFolder() { DeleteFolderTree(path_); }

void MakeFolders(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

void WriteFile(const std::string& path, const std::string& text) {
    std::size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos) MakeFolders(path.substr(0, cut));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    out << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteFolderTree(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveDirectoryA(full.c_str());
                DeleteFileA(full.c_str());
            } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolderTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string Viewers() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    return std::string(system) + "\\VIEWERS\\";
}

std::string WindowsFile(const char* name) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\" + name;
}

}  // namespace txr::test
