// How a fault is caught with a compiler that has no __try/__except
// (MinGW's GCC).
//
// For the duration of one body the guard links a frame-based exception
// handler of its own into the thread's handler chain (the list that starts
// at fs:[0] on 32-bit x86), exactly where an __except block would sit.  The
// platform asks frame handlers innermost first, so handlers inside the body
// (an outside module's own) still see their faults first; only a fault
// nobody inside takes reaches the guard.  The guard then
//   1. unwinds the body's frames (RtlUnwind up to the guard's record),
//      which runs their unwind handlers and leaves the chain at the guard,
//   2. jumps back into RunGuarded with __builtin_longjmp (which only
//      restores the stack and frame pointers and the resume address),
//   3. where the guard's record is unlinked again.
// No process-wide state is changed: a vectored handler would be asked about
// every exception of every thread and, when left by a jump, would stay
// registered for good; the frame record lives on this call's stack and is
// gone when the call returns, whichever way it returns.
//
// A stack overflow uses up the thread's guard page: Windows NT reports the
// overflow when the stack grows into its last guard page, lets the
// handlers run on that page, and sets no new one, so that the thread's next
// overflow would find no guard and end the process.  After the jump back,
// with the body's frames gone, the guard sets a guard page again at the
// lowest page the stack has reached, as the C runtime's _resetstkoflw does
// (CRTDLL.DLL has none).  Windows 95 has no guard pages (its stacks end in
// pages without access that the system keeps itself): there the guard
// changes nothing.
//
// This is 32-bit x86 only; the library is built for nothing else.
#include "platform/fault_guard.h"

#include "platform/os_version.h"

#include <cstdint>

#if !defined(__i386__)
#error "The fault guard works on the 32-bit x86 exception handler chain."
#endif

namespace txr::guard {
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

EXCEPTION_DISPOSITION NTAPI OnGuardedException(EXCEPTION_RECORD* record, void* establisherFrame,
                                               CONTEXT* /*context*/, void* /*dispatcher*/) {
    // Called again while frames are unwound (also by RtlUnwind below for the
    // frames inside the body, never for this one): nothing to do then.
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
        return ExceptionContinueSearch;
    }
    if (!IsErrorException(record->ExceptionCode)) return ExceptionContinueSearch;

    GuardFrame* frame = static_cast<GuardFrame*>(establisherFrame);
    frame->exceptionCode = record->ExceptionCode;
    RtlUnwind(establisherFrame, nullptr, record, nullptr);
    __builtin_longjmp(frame->resume, 1);
}

// Pages of 4 KB, on every x86 Windows.
constexpr std::uintptr_t kPageSize = 4096;
// The lowest pages of a stack, which the system keeps for itself (the
// reserved end and the page the last overflow handlers run on): the guard
// page is never set below them.
constexpr std::uintptr_t kSystemPages = 2;

// Called in RunGuarded's frame after a caught stack overflow: sets the
// guard page of the thread's stack again at the lowest page the stack has
// reached (at least kSystemPages above its end), unless the stack still has
// a guard page, or the system has none (Windows 95), or no page is left
// below this frame's.  Changes nothing when it cannot.
__attribute__((noinline)) void SetStackGuardAgain() {
    if (os::IsWindows95()) return;
    volatile char here = 0;
    const auto top = reinterpret_cast<std::uintptr_t>(&here);
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery(reinterpret_cast<void*>(top), &region, sizeof region)) return;
    const auto end = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    // The stack's blocks from its end up to this frame: the first committed
    // one is the lowest page the stack has reached.
    std::uintptr_t lowest = 0;
    for (std::uintptr_t at = end; at < top;) {
        if (!VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region)) return;
        if (region.Protect & PAGE_GUARD) return;
        if (region.State == MEM_COMMIT && lowest == 0) lowest = at;
        at = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    const std::uintptr_t floor = end + kSystemPages * kPageSize;
    const std::uintptr_t guard = lowest > floor ? lowest : floor;
    if (lowest == 0 || guard + kPageSize > (top & ~(kPageSize - 1))) return;
    DWORD previous = 0;
    VirtualProtect(reinterpret_cast<void*>(guard), kPageSize, PAGE_READWRITE | PAGE_GUARD,
                   &previous);
}

// The bodies below read and write the caller's memory through volatile
// pointers, byte by byte, so that every access happens inside the body and
// none is moved out of it or merged into a library call.

struct TextInWork {
    const volatile char* source;
    char* out;
    std::size_t size;
    bool terminated;
};

void ReadText(void* context) {
    TextInWork& work = *static_cast<TextInWork*>(context);
    for (std::size_t i = 0; i < work.size; ++i) {
        char c = work.source[i];
        work.out[i] = c;
        if (c == '\0') {
            work.terminated = true;
            return;
        }
    }
}

struct BlocksOutWork {
    const OutBlock* blocks;
    std::size_t count;
};

// Reads every destination byte and writes it back unchanged: faults on
// memory that cannot be read or written, and changes nothing.
void TouchDestinations(void* context) {
    const BlocksOutWork& work = *static_cast<const BlocksOutWork*>(context);
    for (std::size_t b = 0; b < work.count; ++b) {
        volatile char* destination = static_cast<volatile char*>(work.blocks[b].destination);
        if (!destination) continue;
        for (std::size_t i = 0; i < work.blocks[b].size; ++i) destination[i] = destination[i];
    }
}

void StoreBlocks(void* context) {
    const BlocksOutWork& work = *static_cast<const BlocksOutWork*>(context);
    for (std::size_t b = 0; b < work.count; ++b) {
        volatile char* destination = static_cast<volatile char*>(work.blocks[b].destination);
        if (!destination) continue;
        const char* source = static_cast<const char*>(work.blocks[b].source);
        for (std::size_t i = 0; i < work.blocks[b].size; ++i) destination[i] = source[i];
    }
}

}  // namespace

// Not inlined: the guard's record must live in a frame of its own that
// encloses the body's frames for the whole call.
__attribute__((noinline)) bool RunGuarded(void (*body)(void* context), void* context,
                                          DWORD* exceptionCode) {
    GuardFrame frame{};
    frame.registration.Next = ChainHead();
    frame.registration.Handler = OnGuardedException;

    if (__builtin_setjmp(frame.resume) == 0) {
        SetChainHead(&frame.registration);
        body(context);
        SetChainHead(frame.registration.Next);
        if (exceptionCode) *exceptionCode = 0;
        return true;
    }

    // Back from the handler: the body's frames are unwound and the chain
    // ends at the guard's record again; take it out.
    SetChainHead(frame.registration.Next);
    if (frame.exceptionCode == EXCEPTION_STACK_OVERFLOW) SetStackGuardAgain();
    if (exceptionCode) *exceptionCode = frame.exceptionCode;
    return false;
}

TextIn CopyTextIn(const char* source, char* out, std::size_t size) {
    if (size == 0) return TextIn::TooLong;
    out[0] = '\0';
    if (!source) return TextIn::Absent;
    TextInWork work{source, out, size, false};
    if (!RunGuarded(&ReadText, &work)) {
        out[0] = '\0';
        return TextIn::Unreadable;
    }
    if (!work.terminated) {
        out[0] = '\0';
        return TextIn::TooLong;
    }
    return TextIn::Copied;
}

bool CopyBlocksOut(const OutBlock* blocks, std::size_t count) {
    BlocksOutWork work{blocks, count};
    return RunGuarded(&TouchDestinations, &work) && RunGuarded(&StoreBlocks, &work);
}

}  // namespace txr::guard
