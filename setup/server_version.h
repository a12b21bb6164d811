// The server copy's version, from TXRNET.INI in the setup directory.
#pragma once

#include <windows.h>

namespace txr {

// A version value that reads as missing.
constexpr DWORD kMissingVersion = 9999;

struct ServerVersion {
    bool fileExists = false;
    DWORD major = kMissingVersion;
    DWORD minor = kMissingVersion;
    DWORD sub = kMissingVersion;

    bool Complete() const {
        return major != kMissingVersion && minor != kMissingVersion && sub != kMissingVersion;
    }
};

// Reads section CurrentVersion, keys MajorRelease, MinorRelease and
// SubRelease, of setupDirectory\TXRNET.INI.  Each must be a plain decimal
// number of 32 bits; a missing key, the value 9999, and anything that is
// not such a number (text, a sign, an overflow, an overlong value) read as
// 9999, that is as missing.
ServerVersion ReadServerVersion(const char* setupDirectory);

}  // namespace txr
