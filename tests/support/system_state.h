// What tests share beyond their private registry: files in the prefix's
// real Windows directory (WININIT.INI, the Start menu and desktop folders)
// and the real Session Manager key, which Wine's delayed file operations
// write by its system path, past any redirection of HKEY_LOCAL_MACHINE.
//
// Tests that touch these run alone (txr_add_serial_test) and put back what
// they found.
#pragma once

#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace txr::test {

// The Windows directory with its trailing backslash ("C:\windows\").
std::string WindowsFolder();

// Takes a file away for the lifetime of the object (if it was there) and
// puts it back afterwards, replacing whatever the test left there.
class SavedFile {
public:
    explicit SavedFile(std::string path);
    ~SavedFile();
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::optional<std::string> content_;
};

// The real HKLM Session Manager key's "PendingFileRenameOperations" value
// and "FileRenameOperations" subkey: taken away for the lifetime of the
// object and put back afterwards, byte for byte.  Works on HKEY_LOCAL_MACHINE
// as this process sees it: construct it while HKLM is not redirected.
class SavedPendingOperations {
public:
    SavedPendingOperations();
    ~SavedPendingOperations();
    SavedPendingOperations(const SavedPendingOperations&) = delete;
    SavedPendingOperations& operator=(const SavedPendingOperations&) = delete;

private:
    std::optional<std::pair<DWORD, std::vector<BYTE>>> pending_;
    std::optional<RegTree> renameOperations_;
};

// Points this process's temporary directory (TMP and TEMP) at a folder of
// its own for the lifetime of the object.
class TempFolderRedirect {
public:
    TempFolderRedirect();
    ~TempFolderRedirect();
    TempFolderRedirect(const TempFolderRedirect&) = delete;
    TempFolderRedirect& operator=(const TempFolderRedirect&) = delete;

    // The folder with a trailing backslash.
    const std::string& path() const { return folder_.path(); }
    // Points TMP and TEMP at any other path (e.g. one that does not exist).
    void PointAt(const std::string& path);
    // Names of the files in the folder.
    std::vector<std::string> Files() const;

private:
    ScratchFolder folder_;
    std::optional<std::string> tmp_;
    std::optional<std::string> temp_;
};

// Names of the files (not folders) in a folder.
std::vector<std::string> FilesIn(const std::string& folder);

// Creates the folders of a path that are missing and removes exactly those
// again afterwards, with anything left in them.
class MadeFolders {
public:
    MadeFolders() = default;
    ~MadeFolders();
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    void Make(const std::string& path);

private:
    std::vector<std::string> made_;  // outermost first
};

}  // namespace txr::test
