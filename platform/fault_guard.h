// Running a short piece of code so that a fault inside it ends that piece
// and not the process: a call into an outside module, or a read or write of
// memory that an outside caller handed in by pointer.
//
// MinGW's GCC has no __try/__except, and catch (...) does not see access
// violations; this guard is the one way the library takes them.
#pragma once

#include <windows.h>

#include <cstddef>

namespace txr::guard {

// Runs body(context).  Returns true when the body returned.  When it raised
// an error-severity exception (an access violation, a division by zero, a
// stack overflow, a C++ exception of another compiler, ...) that nothing
// inside it handled, the body's frames are unwound, *exceptionCode (when
// given) receives the exception's code, and the result is false.
// Exceptions outside the body, and warnings such as breakpoints, are not
// touched.
//
// A stack overflow spends the thread's guard page.  On Windows NT the guard
// sets it again once the body's frames are gone, so every later overflow of
// the thread is caught as well (unless the stack has no page left below the
// caller's frame).  Windows 95 has no guard pages and keeps the end of a
// stack itself: there only the first overflow of a thread is promised, and
// a later one on the same thread may end the process.
//
// The body is left by a jump: no destructor of its own frames runs then.  A
// body therefore holds nothing that needs one (no strings, containers or
// handle owners) and allocates nothing; what it produces goes through
// context into the caller's objects.
bool RunGuarded(void (*body)(void* context), void* context, DWORD* exceptionCode = nullptr);

// What became of a text that an outside caller passed by pointer.
enum class TextIn {
    Copied,      // the whole text with its terminator is in the buffer
    Absent,      // the pointer was null
    TooLong,     // no terminator within the buffer's size
    Unreadable,  // reading it faulted
};

// Copies the zero-terminated text at source into out[size], reading at most
// size bytes of source, each under the guard: whatever source points at, a
// fault happens here, before the caller has changed anything.  Unless the
// result is Copied, out holds the empty text.
TextIn CopyTextIn(const char* source, char* out, std::size_t size);

template <std::size_t N>
TextIn CopyTextIn(const char* source, char (&out)[N]) {
    return CopyTextIn(source, out, N);
}

// One result to store into an outside caller's memory.
struct OutBlock {
    void* destination;  // null: the caller does not want this result
    const void* source;
    std::size_t size;
};

// Stores every block at its destination, or none: every destination byte
// is first read and written back unchanged under the guard, and only when
// all of them could be is anything stored.  Returns false, with the
// caller's memory as it was, when a destination cannot be written.
bool CopyBlocksOut(const OutBlock* blocks, std::size_t count);

template <std::size_t N>
bool CopyBlocksOut(const OutBlock (&blocks)[N]) {
    return CopyBlocksOut(blocks, N);
}

}  // namespace txr::guard
