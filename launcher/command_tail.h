// The part of a program's command line that follows the program's name,
// found as the platform's start-up code finds it.
#pragma once

namespace txr {

// Skips the program name (a quoted name up to its closing quote or the end;
// otherwise every character above the blank) and then every character of
// code 1 to 32.  Returns a pointer into commandLine (never null for a
// non-null argument; "" for a null one).
inline const char* CommandTail(const char* commandLine) {
    if (!commandLine) return "";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}

}  // namespace txr
