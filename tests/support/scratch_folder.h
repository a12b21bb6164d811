// A folder of files for one test, deleted with everything in it afterwards.
#pragma once

#include <string>

namespace txr::test {

class ScratchFolder {
public:
    // A new empty folder below the temporary directory.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path with a trailing backslash.
    const std::string& path() const { return path_; }
    // path() + relative.
    std::string operator/(const std::string& relative) const { return path_ + relative; }

private:
    std::string path_;
};

// Writes text to a file (creating its folders).
void WriteFile(const std::string& path, const std::string& text);
// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Creates a folder and its parents.
void MakeFolders(const std::string& path);
// Deletes a folder with everything below it.
void DeleteFolderTree(const std::string& path);

// The system's Quick View folder (system directory + "\VIEWERS\").
std::string Viewers();
// A file of the Windows directory: its folder, a backslash, name.
std::string WindowsFile(const char* name);

}  // namespace txr::test
