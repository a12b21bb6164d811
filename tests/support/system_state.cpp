#include "tests/support/system_state.h"

#include <gtest/gtest.h>

namespace txr::test {
namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
constexpr char kRenameOperations[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\FileRenameOperations";

std::optional<std::string> Environment(const char* name) {
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return {};
    return std::string(value, length);
}

void SetEnvironment(const char* name, const std::optional<std::string>& value) {
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

}  // namespace

std::string WindowsFolder() {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

SavedFile::SavedFile(std::string path) : path_(std::move(path)) {
    if (FileExists(path_)) {
        content_ = ReadFile(path_);
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(DeleteFileA(path_.c_str())) << "cannot take away " << path_;
    }
}

SavedFile::~SavedFile() {
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path_.c_str());
    if (content_) WriteFile(path_, *content_);
}

SavedPendingOperations::SavedPendingOperations() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size) ==
            ERROR_SUCCESS) {
            std::vector<BYTE> data(size);
            RegQueryValueExW(key, kPendingValue, nullptr, &type, size ? data.data() : nullptr,
                             &size);
            data.resize(size);
            pending_.emplace(type, std::move(data));
            RegDeleteValueW(key, kPendingValue);
        }
        RegCloseKey(key);
    }
    if (KeyExists(HKEY_LOCAL_MACHINE, kRenameOperations)) {
        renameOperations_ = ReadTree(HKEY_LOCAL_MACHINE, kRenameOperations);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRenameOperations);
    }
}

SavedPendingOperations::~SavedPendingOperations() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(key, kPendingValue);
        if (pending_) {
            // Written from a copy followed by a character that is not zero:
            // the platform's writer would otherwise count a terminator the
            // saved data lacks whenever the memory after it happens to be
            // zero.
            std::vector<BYTE> data = pending_->second;
            data.insert(data.end(), {0xFF, 0xFF});
            RegSetValueExW(key, kPendingValue, 0, pending_->first, data.data(),
                           static_cast<DWORD>(pending_->second.size()));
        }
        RegCloseKey(key);
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRenameOperations);
    if (renameOperations_) WriteTree(HKEY_LOCAL_MACHINE, kRenameOperations, *renameOperations_);
}

TempFolderRedirect::TempFolderRedirect() : tmp_(Environment("TMP")), temp_(Environment("TEMP")) {
    PointAt(folder_.path());
}

TempFolderRedirect::~TempFolderRedirect() {
    SetEnvironment("TMP", tmp_);
    SetEnvironment("TEMP", temp_);
}

void TempFolderRedirect::PointAt(const std::string& path) {
    SetEnvironmentVariableA("TMP", path.c_str());
    SetEnvironmentVariableA("TEMP", path.c_str());
}

std::vector<std::string> TempFolderRedirect::Files() const { return FilesIn(folder_.path()); }

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

void MadeFolders::Make(const std::string& path) {
    std::string full = path;
    if (full.back() != '\\') full += '\\';
    for (std::size_t i = 3; i < full.size(); ++i) {
        if (full[i] != '\\') continue;
        std::string folder = full.substr(0, i);
        if (CreateDirectoryA(folder.c_str(), nullptr)) made_.push_back(folder);
    }
}

MadeFolders::~MadeFolders() {
    // Outermost first: its removal takes the inner ones with it.
    for (const std::string& folder : made_) DeleteFolderTree(folder);
}

}  // namespace txr::test
