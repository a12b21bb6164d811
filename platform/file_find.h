// A folder listing (FindFirstFileA / FindNextFileA) that closes its handle
// when it goes out of scope.
#pragma once

#include <windows.h>

namespace txr {

class FileFind {
public:
    // Starts the listing of pattern (e.g. "C:\\*.*"); ok() tells whether
    // there is a first entry.
    explicit FileFind(const char* pattern) : handle_(FindFirstFileA(pattern, &entry_)) {}
    ~FileFind() {
        if (ok()) FindClose(handle_);
    }
    FileFind(const FileFind&) = delete;
    FileFind& operator=(const FileFind&) = delete;

    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    // The current entry; valid while ok() and until Next().
    const WIN32_FIND_DATAA& entry() const { return entry_; }
    bool IsFolder() const { return (entry_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // Moves to the next entry; false at the end of the listing (or when
    // the listing cannot go on).
    bool Next() { return ok() && FindNextFileA(handle_, &entry_) != FALSE; }

private:
    WIN32_FIND_DATAA entry_{};
    HANDLE handle_;
};

}  // namespace txr
