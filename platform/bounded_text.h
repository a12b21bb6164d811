// Bounded operations on the fixed character arrays that hold the system's
// paths and names.  Every operation keeps the destination terminated and
// reports whether the whole text fitted; nothing ever writes past the end.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstring>

namespace txr::text {

// Copies src into dst[size]; returns false (and keeps the fitting prefix)
// when src does not fit with its terminator.
inline bool CopyTo(char* dst, std::size_t size, const char* src) {
    if (size == 0) return false;
    std::size_t length = std::strlen(src);
    if (length < size) {
        std::memcpy(dst, src, length + 1);
        return true;
    }
    std::memcpy(dst, src, size - 1);
    dst[size - 1] = '\0';
    return false;
}

template <std::size_t N>
bool Copy(char (&dst)[N], const char* src) { return CopyTo(dst, N, src); }

// Appends src to the terminated text in dst[size]; false when it does not
// fit (dst then keeps as much as fits).
inline bool AppendTo(char* dst, std::size_t size, const char* src) {
    std::size_t used = strnlen(dst, size);
    if (used >= size) return false;
    return CopyTo(dst + used, size - used, src);
}

template <std::size_t N>
bool Append(char (&dst)[N], const char* src) { return AppendTo(dst, N, src); }

// printf-style formatting into dst[size]; false when the result was cut.
bool FormatTo(char* dst, std::size_t size, const char* format, ...)
    __attribute__((format(gnu_printf, 3, 4)));
bool FormatListTo(char* dst, std::size_t size, const char* format, std::va_list args);

// True when text is at least prefix long and begins with it, ignoring the
// letter case of ASCII letters.
bool StartsWithNoCase(const char* text, const char* prefix);

}  // namespace txr::text
