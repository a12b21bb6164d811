#include "platform/bounded_text.h"

#include <cstdio>

namespace txr::text {

bool FormatListTo(char* dst, std::size_t size, const char* format, std::va_list args) {
    if (size == 0) return false;
    int written = std::vsnprintf(dst, size, format, args);
    if (written < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<std::size_t>(written) < size;
}

bool FormatTo(char* dst, std::size_t size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    bool fitted = FormatListTo(dst, size, format, args);
    va_end(args);
    return fitted;
}

static char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++prefix, ++text) {
        if (*text == '\0' || UpperAscii(*text) != UpperAscii(*prefix)) return false;
    }
    return true;
}

}  // namespace txr::text
