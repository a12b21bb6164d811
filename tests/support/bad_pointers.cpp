#include "tests/support/bad_pointers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace txr::test {

BadPointers::BadPointers() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    pageSize_ = system.dwPageSize;
    pages_ = static_cast<char*>(
        VirtualAlloc(nullptr, 3 * pageSize_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!pages_) {
        ADD_FAILURE() << "cannot reserve the test pages";
        return;
    }
    // The end of the first page: "C:\UNENDING" with no terminator before
    // the page without access.
    const char unending[] = "C:\\UNENDING";
    std::memcpy(pages_ + pageSize_ - (sizeof unending - 1), unending, sizeof unending - 1);
    DWORD old = 0;
    EXPECT_NE(FALSE, VirtualProtect(pages_ + pageSize_, pageSize_, PAGE_NOACCESS, &old));
    EXPECT_NE(FALSE, VirtualProtect(pages_ + 2 * pageSize_, pageSize_, PAGE_READONLY, &old));
}

BadPointers::~BadPointers() {
    if (pages_) VirtualFree(pages_, 0, MEM_RELEASE);
}

std::vector<BadPointers::Named> BadPointers::UnreadableTexts() const {
    if (!pages_) return {};
    return {
        {"the address 1", reinterpret_cast<char*>(1)},
        {"a page without access", pages_ + pageSize_},
        {"a text running into a page without access",
         pages_ + pageSize_ - std::strlen("C:\\UNENDING")},
    };
}

std::vector<BadPointers::Named> BadPointers::UnwritableBuffers() const {
    if (!pages_) return {};
    return {
        {"the address 1", reinterpret_cast<char*>(1)},
        {"a page without access", pages_ + pageSize_},
        {"a buffer of which only 2 bytes can be written", pages_ + pageSize_ - 2},
        {"a read-only page", pages_ + 2 * pageSize_},
    };
}

}  // namespace txr::test
