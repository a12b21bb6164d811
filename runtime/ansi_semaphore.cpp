// The GCC runtime linked into every shipped binary (libgcc's thread
// support, which its unwinder and libstdc++'s exception memory use) makes
// each of its mutexes with CreateSemaphoreW.  Windows 95 exports that
// function only as a stub that fails, which would leave those mutexes
// without the semaphore a contended lock waits on.  The runtime reaches the
// function only through its import slot, __imp__CreateSemaphoreW@16;
// defined here, that slot points at CreateSemaphoreA, which both systems
// implement, and no shipped binary imports CreateSemaphoreW at all.
//
// Contract: the runtime's semaphores are unnamed.  A name, which would need
// converting, is refused with ERROR_INVALID_PARAMETER and a null handle,
// as the platform refuses a call it cannot carry out.
#include <windows.h>

namespace {

HANDLE WINAPI CreateUnnamedSemaphore(LPSECURITY_ATTRIBUTES security, LONG initialCount,
                                     LONG maximumCount, LPCWSTR name) {
    if (name != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateSemaphoreA(security, initialCount, maximumCount, nullptr);
}

}  // namespace

extern "C" {
using CreateSemaphoreWFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);
extern const CreateSemaphoreWFunction createSemaphoreWSlot asm("__imp__CreateSemaphoreW@16");
const CreateSemaphoreWFunction createSemaphoreWSlot = &CreateUnnamedSemaphore;
}
