#include "registration/registration_support.h"

#include "platform/bounded_text.h"
#include "platform/fault_guard.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"

#include <cstring>

namespace txr::registration {
namespace {

constexpr std::size_t kCompareSize = 1024;

}  // namespace

bool InstallReport::Fail(const FailureReport& failure) {
    if (TXRLogError(logKey_, failure.whatFailed, failure.effect, failure.code,
                    failure.severity) == 1) {
        result_ = kRegFatal;
        return true;
    }
    result_ = kRegMinorFailure;
    return false;
}

int RunRegistration(int mode, HKEY logKey, const char* installPath,
                    const RegistrationModes& modes) noexcept {
    // The install path comes from the caller, possibly an outside installer
    // script: it is copied here, before anything is written, so that a bad
    // pointer faults in the copy and not half-way through the entries.  A
    // path that does not fit MAX_PATH could form no module path of
    // MAX_PATH either; the modes get it as no path at all.
    char path[MAX_PATH];
    const char* usablePath = nullptr;
    if (modes.readsInstallPath && (mode == kModeInstall || mode == kModeCheck)) {
        switch (guard::CopyTextIn(installPath, path)) {
        case guard::TextIn::Copied: usablePath = path; break;
        case guard::TextIn::Absent:
        case guard::TextIn::TooLong: break;
        case guard::TextIn::Unreadable: return mode == kModeInstall ? kRegFatal : kCheckWrong;
        }
    }
    try {
        switch (mode) {
        case kModeInstall: return modes.install(logKey, usablePath);
        case kModeRemove: modes.remove(); return kRegDone;
        case kModeCheck: return modes.check(usablePath);
        default: return 0;
        }
    } catch (...) {
        switch (mode) {
        case kModeInstall: return kRegMinorFailure;
        case kModeCheck: return kCheckWrong;
        default: return kRegDone;
        }
    }
}

bool FormModulePath(char* out, std::size_t size, const char* installPath, const char* relative) {
    if (size == 0) return false;
    out[0] = '\0';
    if (!installPath) return false;
    if (text::CopyTo(out, size, installPath) && text::AppendTo(out, size, relative)) return true;
    out[0] = '\0';
    return false;
}

bool EqualIgnoringCase(const char* a, const char* b) {
    std::size_t length = strnlen(a, kCompareSize);
    if (length >= kCompareSize || length != strnlen(b, kCompareSize)) return false;
    char upperA[kCompareSize];
    char upperB[kCompareSize];
    std::memcpy(upperA, a, length + 1);
    std::memcpy(upperB, b, length + 1);
    CharUpperBuffA(upperA, static_cast<DWORD>(length));
    CharUpperBuffA(upperB, static_cast<DWORD>(length));
    return std::memcmp(upperA, upperB, length) == 0;
}

LONG QueryStringWithType(HKEY key, const char* name, char* buffer, DWORD size, DWORD* type) {
    *type = REG_NONE;
    if (size == 0) return ERROR_MORE_DATA;
    DWORD length = size;
    LONG status = reg::QueryValue(key, name, type, reinterpret_cast<BYTE*>(buffer), &length);
    if (status != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return status;
    }
    if (length > size) length = size;
    if (length == 0 || buffer[length - 1] != '\0') {
        if (length >= size) {  // no room for the missing terminator
            buffer[0] = '\0';
            return ERROR_MORE_DATA;
        }
        buffer[length] = '\0';
    }
    return ERROR_SUCCESS;
}

}  // namespace txr::registration
