// Calls of the functions that Windows 95 exports only as stubs.
//
// Windows 95 exports some functions of Windows NT that it does not
// implement: the binary loads, and the call fails with
// ERROR_CALL_NOT_IMPLEMENTED.  The product calls each such function only
// here, and every caller has its own way for that failure.  Wine implements
// them whatever version it reports, so under the Windows 95 platform version
// (os::IsWindows95) these wrappers answer as Windows 95 does, and that way is
// the one taken under Wine too.
#pragma once

#include <windows.h>

namespace txr::stub {

// MoveFileExA.  Under the Windows 95 platform version: nothing is done, the
// result is FALSE and the thread's last error ERROR_CALL_NOT_IMPLEMENTED.
BOOL MoveFileWithFlags(LPCSTR existing, LPCSTR replacement, DWORD flags);

}  // namespace txr::stub
