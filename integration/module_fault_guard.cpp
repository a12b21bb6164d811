// How a fault inside a module is caught, with a compiler that has no
// __try/__except (MinGW's GCC).
//
// For the duration of one call the guard links a frame-based exception
// handler of its own into the thread's handler chain (the list that starts
// at fs:[0] on 32-bit x86), exactly where an __except block would sit.  The
// platform asks frame handlers innermost first, so the module's own handlers
// still see their faults first; only a fault nobody inside the module takes
// reaches the guard.  The guard then
//   1. unwinds the module's frames (RtlUnwind up to the guard's record),
//      which runs their unwind handlers and leaves the chain at the guard,
//   2. jumps back into CallEntryGuarded with __builtin_longjmp (which only
//      restores the stack and frame pointers and the resume address),
//   3. where the guard's record is unlinked again.
// No process-wide state is changed: a vectored handler would be asked about
// every exception of every thread and, when left by a jump, would stay
// registered for good; the frame record lives on this call's stack and is
// gone when the call returns, whichever way it returns.
//
// This is 32-bit x86 only; the library is built for nothing else.
#include "integration/module_fault_guard.h"

#if !defined(__i386__)
#error "The module fault guard works on the 32-bit x86 exception handler chain."
#endif

namespace txr {
namespace {

// The guard's record in the handler chain.  The platform hands the address
// of the registration to the handler as its establisher frame, which is how
// the handler finds the resume point stored behind it.
struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD registration;  // must stay the first member
    void* resume[5];                             // __builtin_setjmp buffer
    DWORD exceptionCode;
};

EXCEPTION_REGISTRATION_RECORD* ChainHead() {
    EXCEPTION_REGISTRATION_RECORD* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD* head) {
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

// Error severity: the two top bits of the code set.  Access violations,
// divisions by zero, stack overflows, illegal instructions and C++
// exceptions of other compilers all are; breakpoints, debug output and
// other warnings and notices are not and pass on unchanged.
bool IsErrorException(DWORD code) { return (code & 0xC0000000u) == 0xC0000000u; }

EXCEPTION_DISPOSITION NTAPI OnModuleException(EXCEPTION_RECORD* record, void* establisherFrame,
                                              CONTEXT* /*context*/, void* /*dispatcher*/) {
    // Called again while frames are unwound (also by RtlUnwind below for the
    // frames inside the module, never for this one): nothing to do then.
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
        return ExceptionContinueSearch;
    }
    if (!IsErrorException(record->ExceptionCode)) return ExceptionContinueSearch;

    GuardFrame* frame = static_cast<GuardFrame*>(establisherFrame);
    frame->exceptionCode = record->ExceptionCode;
    RtlUnwind(establisherFrame, nullptr, record, nullptr);
    __builtin_longjmp(frame->resume, 1);
}

}  // namespace

// Not inlined: the guard's record must live in a frame of its own that
// encloses the module's frames for the whole call.
__attribute__((noinline)) bool CallEntryGuarded(AIEntryFunction entry, int code, int index,
                                                void* data, int* result,
                                                DWORD* exceptionCode) {
    GuardFrame frame{};
    frame.registration.Next = ChainHead();
    frame.registration.Handler = OnModuleException;

    if (__builtin_setjmp(frame.resume) == 0) {
        SetChainHead(&frame.registration);
        int answer = entry(code, index, data);
        SetChainHead(frame.registration.Next);
        *result = answer;
        if (exceptionCode) *exceptionCode = 0;
        return true;
    }

    // Back from the handler: the module's frames are unwound and the chain
    // ends at the guard's record again; take it out.
    SetChainHead(frame.registration.Next);
    *result = 0;
    if (exceptionCode) *exceptionCode = frame.exceptionCode;
    return false;
}

}  // namespace txr
