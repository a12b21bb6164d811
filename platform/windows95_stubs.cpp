#include "platform/windows95_stubs.h"

#include "platform/os_version.h"

namespace txr::stub {

BOOL MoveFileWithFlags(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    if (os::IsWindows95()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return ::MoveFileExA(existing, replacement, flags);
}

}  // namespace txr::stub
