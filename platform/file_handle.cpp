#include "platform/file_handle.h"

#include <cstring>

namespace txr::file {
namespace {

constexpr DWORD kChunkSize = 4096;

FileHandle OpenForReading(const char* path) {
    return FileHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Reads up to size bytes; false on a read error.  *got is 0 at the end.
bool ReadChunk(HANDLE file, BYTE* buffer, DWORD size, DWORD* got) {
    DWORD total = 0;
    while (total < size) {
        DWORD read = 0;
        if (!ReadFile(file, buffer + total, size - total, &read, nullptr)) return false;
        if (read == 0) break;
        total += read;
    }
    *got = total;
    return true;
}

}  // namespace

bool SameContents(const char* first, const char* second) {
    FileHandle a = OpenForReading(first);
    FileHandle b = OpenForReading(second);
    if (!a.valid() || !b.valid()) return false;
    BYTE chunkA[kChunkSize];
    BYTE chunkB[kChunkSize];
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (!ReadChunk(a.get(), chunkA, kChunkSize, &gotA) ||
            !ReadChunk(b.get(), chunkB, kChunkSize, &gotB) || gotA != gotB ||
            std::memcmp(chunkA, chunkB, gotA) != 0) {
            return false;
        }
        if (gotA == 0) return true;
    }
}

}  // namespace txr::file
