#include "setup/server_version.h"

#include "platform/bounded_text.h"
#include "setup/library_state.h"

namespace txr {
namespace {

// Ten digits are the most a 32-bit number needs; the buffer leaves room to
// see that a value is longer than that.
constexpr DWORD kValueBufferSize = 16;

DWORD ParseVersionNumber(const char* text) {
    if (*text == '\0') return kMissingVersion;
    unsigned long long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return kMissingVersion;
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > 0xFFFFFFFFull) return kMissingVersion;
    }
    return static_cast<DWORD>(value);
}

DWORD ReadVersionKey(const char* iniPath, const char* key) {
    char value[kValueBufferSize];
    DWORD length = GetPrivateProfileStringA("CurrentVersion", key, "", value, sizeof value,
                                            iniPath);
    if (length >= sizeof value - 1) return kMissingVersion;  // cut: overlong
    return ParseVersionNumber(value);
}

}  // namespace

ServerVersion ReadServerVersion(const char* setupDirectory) {
    ServerVersion version;
    char iniPath[kPathSize];
    if (!text::FormatTo(iniPath, sizeof iniPath, "%sTXRNET.INI", setupDirectory)) return version;
    DWORD attributes = GetFileAttributesA(iniPath);
    version.fileExists =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!version.fileExists) return version;
    version.major = ReadVersionKey(iniPath, "MajorRelease");
    version.minor = ReadVersionKey(iniPath, "MinorRelease");
    version.sub = ReadVersionKey(iniPath, "SubRelease");
    return version;
}

}  // namespace txr
