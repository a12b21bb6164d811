// An owned file handle of the platform, and the one comparison of two
// files' contents that setup and its tools make.
#pragma once

#include <windows.h>

namespace txr::file {

// Owns a handle from CreateFileA; closed when it goes.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes at once; false when the system reports a failure.
    bool Close() {
        if (!valid()) return true;
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

// True when both files can be read whole and hold the same bytes; false
// when they differ or either cannot be opened or read.
bool SameContents(const char* first, const char* second);

}  // namespace txr::file
