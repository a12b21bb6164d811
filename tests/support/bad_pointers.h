// Pointers that a careless outside caller might hand to an export: memory
// the process may not read, or not write.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace txr::test {

// Three pages of the test's own: a writable one, one without any access,
// and a read-only one.  Released when this goes out of scope.
class BadPointers {
public:
    struct Named {
        std::string what;
        char* pointer;
    };

    BadPointers();
    ~BadPointers();
    BadPointers(const BadPointers&) = delete;
    BadPointers& operator=(const BadPointers&) = delete;

    // Texts that cannot be read to their end: the address 1, the start of
    // the page without access, and a readable text without terminator that
    // runs into that page.
    std::vector<Named> UnreadableTexts() const;
    // Buffers that cannot be written (from their start, or beyond their
    // first 2 bytes): the address 1, the page without access, the last 2
    // bytes of the writable page, and the read-only page.
    std::vector<Named> UnwritableBuffers() const;

private:
    char* pages_ = nullptr;
    DWORD pageSize_ = 0;
};

}  // namespace txr::test
