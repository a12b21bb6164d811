// Calling into an integration module without letting a fault inside it end
// the setup.
#pragma once

#include "integration/module_protocol.h"

#include <windows.h>

namespace txr {

// Calls entry(code, index, data).  Returns true with the module's answer in
// *result when the call returned.  When the call raised an error-severity
// exception (an access violation, a division by zero, a stack overflow, a
// C++ exception leaving the module, ...) that the module's own handlers did
// not take, the module's frames are unwound, *result is 0, *exceptionCode
// (when given) receives the exception code, and the function returns false.
// Exceptions outside the call, and warnings such as breakpoints, are not
// touched: the guard exists only for the duration of the call.  After a
// stack overflow, what a later one on the same thread gets differs between
// Windows NT and Windows 95: see guard::RunGuarded.
bool CallEntryGuarded(AIEntryFunction entry, int code, int index, void* data, int* result,
                      DWORD* exceptionCode = nullptr);

}  // namespace txr
