// stop_at_call.exe: runs a program under a debugger and counts the registry
// and file calls that TXRUP450.DLL makes in it, or kills the program just
// before one of them, so that a test can see what a setup leaves behind when
// it is stopped at any point.
//
//   stop_at_call.exe [--trace] --count  PROGRAM [ARGUMENTS...]
//   stop_at_call.exe [--trace] --stop K PROGRAM [ARGUMENTS...]
//
// Counted calls: the calls made from TXRUP450.DLL (the module of that file
// name, any case) to RegOpenKeyExA, RegCreateKeyExA, RegQueryValueExA,
// RegSetValueExA, RegEnumKeyExA, RegEnumValueA, RegQueryInfoKeyA,
// RegDeleteKeyA, RegDeleteValueA, RegCloseKey (advapi32) and CopyFileA,
// MoveFileA, DeleteFileA (kernel32).  The library makes each of them
// through its import table, so the tool redirects those import slots to
// breakpoints of its own in the child (one INT3 followed by a jump to the
// real function); a call from any other module, or made by the platform
// inside a counted call, is not counted.  The slots are redirected when the
// library's entry point is about to run (a one-time breakpoint there): the
// loader has bound them, and no code of the library but the runtime's TLS
// callbacks has run, so the calls of DllMain count too.
//
// --count runs the program to its end and prints "calls N" (the number of
// counted calls).  --stop K runs it until the K-th counted call (1-based) is
// about to be made and prints "stopped at K NAME" (NAME: the function); the
// call has not begun, since its thread stands on the breakpoint before the
// function, and it never will: every thread is held and the process is
// ended with TerminateProcess(process, 1).  When the program ends before
// its K-th call, the tool prints "ended after N calls".  In every case the
// tool goes on until the process is gone, then prints "exit E" (the
// program's exit code; 1 after a stop).  --trace adds one line per counted
// call, "call N NAME ARGUMENTS" with the call's first arguments (a key
// handle or index in hexadecimal, names and paths quoted), on stdout.
//
// Exit code: 0 when the run went as asked; 3 when the program ended before
// the K-th call; 2 on a bad command line, a program that cannot be started
// or a TXRUP450.DLL whose imports could not be redirected (never loaded,
// or no import slot found); the reason goes to stderr.
//
// The program's command line is PROGRAM in quotes followed by the rest of
// this tool's own command line exactly as it was given.  The program runs in
// this tool's current directory and environment.  Child processes that the
// program starts run without the debugger.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kLibraryName = "TXRUP450.DLL";

// One function whose calls are counted.  stringArgs has bit i set when the
// (i+1)-th argument is a string, for the trace.
struct CountedFunction {
    const char* dll;
    const char* name;
    int tracedArgs;
    unsigned stringArgs;
};

constexpr CountedFunction kCounted[] = {
    {"ADVAPI32.DLL", "RegOpenKeyExA", 2, 0x2},    {"ADVAPI32.DLL", "RegCreateKeyExA", 2, 0x2},
    {"ADVAPI32.DLL", "RegQueryValueExA", 2, 0x2}, {"ADVAPI32.DLL", "RegSetValueExA", 2, 0x2},
    {"ADVAPI32.DLL", "RegEnumKeyExA", 2, 0x0},    {"ADVAPI32.DLL", "RegEnumValueA", 2, 0x0},
    {"ADVAPI32.DLL", "RegQueryInfoKeyA", 1, 0x0}, {"ADVAPI32.DLL", "RegDeleteKeyA", 2, 0x2},
    {"ADVAPI32.DLL", "RegDeleteValueA", 2, 0x2},  {"ADVAPI32.DLL", "RegCloseKey", 1, 0x0},
    {"KERNEL32.DLL", "CopyFileA", 2, 0x3},        {"KERNEL32.DLL", "MoveFileA", 2, 0x3},
    {"KERNEL32.DLL", "DeleteFileA", 1, 0x1},
};
constexpr size_t kCountedFunctions = sizeof kCounted / sizeof kCounted[0];

// Each redirected slot gets one stub in the child: INT3, then JMP rel32 to
// the function the slot held.
constexpr size_t kStubSize = 8;
constexpr BYTE kInt3 = 0xCC;
constexpr BYTE kJmpRel32 = 0xE9;

constexpr int kExitDone = 0;
constexpr int kExitFailure = 2;
constexpr int kExitEndedEarly = 3;

// ---------------------------------------------------------------------------
// The command line.

struct Options {
    bool trace = false;
    bool count = false;
    unsigned long stopAt = 0;  // the K of --stop K
    std::string program;
    std::string rest;  // everything after PROGRAM, as given
};

// Reads one token of a command line from *cursor (blanks before it skipped;
// double quotes group and are dropped) and moves the cursor past it.
std::string NextToken(const char** cursor) {
    const char* p = *cursor;
    while (*p == ' ' || *p == '\t') ++p;
    std::string token;
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
        if (*p == '"') quoted = !quoted;
        else token += *p;
    }
    *cursor = p;
    return token;
}

bool ParseCommandLine(const char* line, Options* options) {
    const char* cursor = line;
    NextToken(&cursor);  // this tool
    for (;;) {
        std::string token = NextToken(&cursor);
        if (token == "--trace") {
            options->trace = true;
        } else if (token == "--count") {
            options->count = true;
        } else if (token == "--stop") {
            std::string k = NextToken(&cursor);
            char* end = nullptr;
            options->stopAt = std::strtoul(k.c_str(), &end, 10);
            if (k.empty() || *end || options->stopAt == 0) return false;
        } else {
            options->program = token;
            options->rest = cursor;
            break;
        }
    }
    return !options->program.empty() && (options->count != (options->stopAt != 0));
}

// ---------------------------------------------------------------------------
// The child's memory.

class Child {
public:
    explicit Child(HANDLE process) : process_(process) {}

    template <typename T>
    bool Read(DWORD address, T* value) const {
        SIZE_T done = 0;
        return ReadProcessMemory(process_, reinterpret_cast<LPCVOID>(address), value, sizeof *value,
                                 &done) &&
               done == sizeof *value;
    }

    // Reads a zero-terminated string of at most `limit` characters; stops
    // early at an unreadable page.
    std::string ReadString(DWORD address, size_t limit = MAX_PATH) const {
        std::string text;
        char c = 0;
        while (text.size() < limit && Read(address + static_cast<DWORD>(text.size()), &c) && c)
            text += c;
        return text;
    }

    std::string ReadWideString(DWORD address, size_t limit = MAX_PATH) const {
        std::string text;
        WCHAR c = 0;
        while (text.size() < limit &&
               Read(address + static_cast<DWORD>(text.size() * sizeof c), &c) && c)
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }

    bool Write(DWORD address, const void* data, size_t size) const {
        SIZE_T done = 0;
        return WriteProcessMemory(process_, reinterpret_cast<LPVOID>(address), data, size, &done) &&
               done == size;
    }

    // Writes into a page whatever its protection (code or data), and puts
    // the protection back.
    bool WriteProtected(DWORD address, const void* data, size_t size) const {
        DWORD old = 0;
        if (!VirtualProtectEx(process_, reinterpret_cast<LPVOID>(address), size,
                              PAGE_EXECUTE_READWRITE, &old))
            return false;
        bool written = Write(address, data, size);
        VirtualProtectEx(process_, reinterpret_cast<LPVOID>(address), size, old, &old);
        return written;
    }

    DWORD Allocate(size_t size) const {
        return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(VirtualAllocEx(
            process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE)));
    }

    void FlushCode(DWORD address, size_t size) const {
        FlushInstructionCache(process_, reinterpret_cast<LPCVOID>(address), size);
    }

private:
    HANDLE process_;
};

bool EndsWithFileName(const std::string& path, const char* name) {
    size_t length = std::strlen(name);
    if (path.size() < length || _stricmp(path.c_str() + path.size() - length, name) != 0)
        return false;
    if (path.size() == length) return true;
    char before = path[path.size() - length - 1];
    return before == '\\' || before == '/';
}

// The path a LOAD_DLL event names: a pointer in the child to a pointer to
// the name, either of which may be null.
std::string LoadedDllPath(const Child& child, const LOAD_DLL_DEBUG_INFO& load) {
    DWORD pointer = 0;
    DWORD where = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(load.lpImageName));
    if (!where || !child.Read(where, &pointer) || !pointer) return "";
    return load.fUnicode ? child.ReadWideString(pointer) : child.ReadString(pointer);
}

// Reads the PE headers of the module at `base` in the child; false when
// they are unreadable or no PE headers.
bool ReadHeaders(const Child& child, DWORD base, IMAGE_NT_HEADERS32* nt) {
    IMAGE_DOS_HEADER dos{};
    return child.Read(base, &dos) && dos.e_magic == IMAGE_DOS_SIGNATURE &&
           child.Read(base + dos.e_lfanew, nt) && nt->Signature == IMAGE_NT_SIGNATURE;
}

// The name a DLL gives itself in its export directory ("" without one):
// the way to know a module that the LOAD_DLL event leaves unnamed.
std::string ExportedName(const Child& child, DWORD base) {
    IMAGE_NT_HEADERS32 nt{};
    if (!ReadHeaders(child, base, &nt)) return "";
    const IMAGE_DATA_DIRECTORY& dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    IMAGE_EXPORT_DIRECTORY exports{};
    if (!dir.VirtualAddress || !child.Read(base + dir.VirtualAddress, &exports)) return "";
    return child.ReadString(base + exports.Name);
}

// ---------------------------------------------------------------------------
// The library's import slots and their stubs.

struct Stub {
    DWORD address = 0;     // the stub's INT3 in the child
    size_t function = 0;   // index into kCounted
};

// One import slot of a counted function and the address the loader put in it.
struct Slot {
    DWORD address;
    DWORD target;
    size_t function;  // index into kCounted
};

// Finds the counted functions among the library's imports (by DLL and name,
// through the import name table).  Returns false, with `*why`, when the
// tables cannot be read, are not bound yet, or hold none of them.
bool FindImportSlots(const Child& child, DWORD base, std::vector<Slot>* slots, std::string* why) {
    IMAGE_NT_HEADERS32 nt{};
    if (!ReadHeaders(child, base, &nt)) {
        *why = "its headers cannot be read";
        return false;
    }
    const IMAGE_DATA_DIRECTORY& dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (DWORD at = base + dir.VirtualAddress; dir.VirtualAddress;
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor{};
        if (!child.Read(at, &descriptor)) {
            *why = "its import directory cannot be read";
            return false;
        }
        if (!descriptor.Name) break;
        std::string dll = child.ReadString(base + descriptor.Name);
        DWORD names = descriptor.OriginalFirstThunk;
        if (!names) continue;  // no name table: nothing to map by name
        for (DWORD i = 0;; ++i) {
            DWORD name = 0, target = 0;
            DWORD slot = base + descriptor.FirstThunk + i * sizeof(DWORD);
            if (!child.Read(base + names + i * sizeof(DWORD), &name) ||
                !child.Read(slot, &target)) {
                *why = "its import tables cannot be read";
                return false;
            }
            if (!name) break;
            if (name & IMAGE_ORDINAL_FLAG32) continue;
            std::string function = child.ReadString(base + name + sizeof(WORD), 256);
            for (size_t f = 0; f < kCountedFunctions; ++f) {
                if (_stricmp(dll.c_str(), kCounted[f].dll) != 0 || function != kCounted[f].name)
                    continue;
                // Unbound, a slot still holds the RVA of the function's name.
                if (target == name) {
                    *why = "its imports are not bound yet";
                    return false;
                }
                slots->push_back({slot, target, f});
            }
        }
    }
    if (slots->empty()) {
        *why = "it imports none of the counted functions";
        return false;
    }
    return true;
}

// Gives each slot a stub (INT3, JMP to the slot's function) in a fresh page
// of the child and points the slot at it.  Returns false when the child
// refuses the memory or a write; some slots may then be redirected already.
bool RedirectSlots(const Child& child, const std::vector<Slot>& slots, std::vector<Stub>* stubs) {
    DWORD page = child.Allocate(slots.size() * kStubSize);
    if (!page) return false;
    for (size_t i = 0; i < slots.size(); ++i) {
        DWORD stub = page + static_cast<DWORD>(i * kStubSize);
        BYTE code[kStubSize] = {kInt3, kJmpRel32, 0, 0, 0, 0, kInt3, kInt3};
        DWORD relative = slots[i].target - (stub + 6);
        std::memcpy(code + 2, &relative, sizeof relative);
        if (!child.Write(stub, code, sizeof code)) return false;
        child.FlushCode(stub, sizeof code);
        stubs->push_back({stub, slots[i].function});
        if (!child.WriteProtected(slots[i].address, &stub, sizeof stub)) return false;
    }
    return true;
}

// "RegOpenKeyExA 80000002 "Software\Corvel"": the function and its first
// arguments, read from the stack at the stub (the return address on top).
std::string DescribeCall(const Child& child, const CONTEXT& context, const CountedFunction& f) {
    std::string text = f.name;
    for (int i = 0; i < f.tracedArgs; ++i) {
        DWORD argument = 0;
        child.Read(context.Esp + 4 * (i + 1), &argument);
        char part[32];
        if (f.stringArgs & (1u << i)) {
            text += argument ? " \"" + child.ReadString(argument) + "\"" : std::string(" NULL");
        } else {
            std::snprintf(part, sizeof part, " %lx", static_cast<unsigned long>(argument));
            text += part;
        }
    }
    return text;
}

// ---------------------------------------------------------------------------
// The debugger.

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class Debugger {
public:
    Debugger(const Options& options, HANDLE process)
        : options_(options), process_(process), child_(process) {}

    // Runs the debug loop until the process is gone; returns the tool's exit
    // code.
    int Run() {
        for (;;) {
            DEBUG_EVENT event{};
            if (!WaitForDebugEvent(&event, INFINITE)) {
                std::fprintf(stderr, "stop_at_call: WaitForDebugEvent failed (%lu)\n",
                             GetLastError());
                return kExitFailure;
            }
            DWORD status = OnEvent(event);
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
            if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
                exitCode_ = event.u.ExitProcess.dwExitCode;
                break;
            }
        }
        WaitForSingleObject(process_, INFINITE);
        return Report();
    }

private:
    DWORD OnEvent(const DEBUG_EVENT& event) {
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            threads_[event.dwThreadId] = event.u.CreateProcessInfo.hThread;
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            return DBG_CONTINUE;
        case CREATE_THREAD_DEBUG_EVENT:
            threads_[event.dwThreadId] = event.u.CreateThread.hThread;
            return DBG_CONTINUE;
        case EXIT_THREAD_DEBUG_EVENT:
            threads_.erase(event.dwThreadId);
            return DBG_CONTINUE;
        case LOAD_DLL_DEBUG_EVENT:
            NoteDll(event.u.LoadDll);
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            return DBG_CONTINUE;
        case EXCEPTION_DEBUG_EVENT:
            return HandleException(event);
        default:
            return DBG_CONTINUE;
        }
    }

    // On the library's load: a breakpoint on its entry point, where its
    // imports will be bound.
    void NoteDll(const LOAD_DLL_DEBUG_INFO& load) {
        DWORD base = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(load.lpBaseOfDll));
        std::string path = LoadedDllPath(child_, load);
        if (path.empty()) path = ExportedName(child_, base);
        if (library_ || !EndsWithFileName(path, kLibraryName)) return;
        library_ = base;
        IMAGE_NT_HEADERS32 nt{};
        if (!ReadHeaders(child_, base, &nt) || !nt.OptionalHeader.AddressOfEntryPoint) {
            Fail("the library has no entry point to wait for");
            return;
        }
        entry_ = base + nt.OptionalHeader.AddressOfEntryPoint;
        if (!child_.Read(entry_, &entryByte_) || !child_.WriteProtected(entry_, &kInt3, 1)) {
            Fail("cannot set a breakpoint on the library's entry point");
            return;
        }
        child_.FlushCode(entry_, 1);
    }

    DWORD HandleException(const DEBUG_EVENT& event) {
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        if (record.ExceptionCode != EXCEPTION_BREAKPOINT) return DBG_EXCEPTION_NOT_HANDLED;
        DWORD address = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(record.ExceptionAddress));
        for (const Stub& stub : stubs_) {
            if (stub.address == address) return CountedCall(event.dwThreadId, stub);
        }
        if (entry_ && address == entry_) return AtLibraryEntry(event.dwThreadId);
        if (!sawLoaderBreakpoint_) {
            sawLoaderBreakpoint_ = true;
            return DBG_CONTINUE;
        }
        return DBG_EXCEPTION_NOT_HANDLED;
    }

    // The library's entry point is about to run: its code back in place,
    // the thread back on it, and the import slots redirected.
    DWORD AtLibraryEntry(DWORD threadId) {
        DWORD entry = entry_;
        entry_ = 0;
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        auto thread = threads_.find(threadId);
        if (!child_.WriteProtected(entry, &entryByte_, 1) || thread == threads_.end() ||
            !GetThreadContext(thread->second, &context)) {
            Fail("cannot take the breakpoint off the library's entry point");
            return DBG_CONTINUE;
        }
        child_.FlushCode(entry, 1);
        context.Eip = entry;
        SetThreadContext(thread->second, &context);
        std::vector<Slot> slots;
        std::string why;
        if (!FindImportSlots(child_, library_, &slots, &why)) {
            Fail(("the library's imports cannot be redirected: " + why).c_str());
        } else if (!RedirectSlots(child_, slots, &stubs_)) {
            Fail("cannot redirect the library's imports");
        } else if (options_.trace) {
            std::printf("redirected %u import slots\n", static_cast<unsigned>(slots.size()));
            std::fflush(stdout);
        }
        return DBG_CONTINUE;
    }

    // Ends the run: the process goes, the tool reports the failure.
    void Fail(const char* why) {
        std::fprintf(stderr, "stop_at_call: %s\n", why);
        std::fflush(stderr);
        if (!failed_) TerminateProcess(process_, 1);
        failed_ = true;
    }

    DWORD CountedCall(DWORD threadId, const Stub& stub) {
        ++calls_;
        auto thread = threads_.find(threadId);
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        if (thread == threads_.end() || !GetThreadContext(thread->second, &context)) {
            Fail("cannot read the calling thread's registers");
            return DBG_CONTINUE;
        }
        const CountedFunction& function = kCounted[stub.function];
        if (options_.trace) {
            std::printf("call %lu %s\n", calls_, DescribeCall(child_, context, function).c_str());
            std::fflush(stdout);
        }
        if (calls_ == options_.stopAt) {
            // Back on the INT3: should the thread run at all before the
            // process is gone, it breaks again instead of making the call.
            context.Eip = stub.address;
            SetThreadContext(thread->second, &context);
            for (const auto& held : threads_) SuspendThread(held.second);
            std::printf("stopped at %lu %s\n", calls_, function.name);
            std::fflush(stdout);
            stopped_ = true;
            TerminateProcess(process_, 1);
            return DBG_CONTINUE;
        }
        // On to the JMP after the INT3, whatever the platform reported as
        // the instruction pointer of a breakpoint.
        context.Eip = stub.address + 1;
        SetThreadContext(thread->second, &context);
        return DBG_CONTINUE;
    }

    int Report() {
        if (failed_) return kExitFailure;
        if (stubs_.empty()) {
            std::fprintf(stderr, "stop_at_call: %s\n",
                         library_ ? "the library's entry point was never reached"
                                  : "the program did not load the library");
            return kExitFailure;
        }
        int code = kExitDone;
        if (options_.count) {
            std::printf("calls %lu\n", calls_);
        } else if (!stopped_) {
            std::printf("ended after %lu calls\n", calls_);
            code = kExitEndedEarly;
        }
        std::printf("exit %lu\n", exitCode_);
        std::fflush(stdout);
        return code;
    }

    const Options& options_;
    HANDLE process_;
    Child child_;
    std::map<DWORD, HANDLE> threads_;  // owned by the debug events, not closed here
    DWORD library_ = 0;
    DWORD entry_ = 0;  // the library's entry point while it holds our INT3
    BYTE entryByte_ = 0;
    std::vector<Stub> stubs_;
    bool sawLoaderBreakpoint_ = false;
    unsigned long calls_ = 0;
    bool stopped_ = false;
    bool failed_ = false;
    DWORD exitCode_ = 0;
};

}  // namespace

int main() {
    Options options;
    if (!ParseCommandLine(GetCommandLineA(), &options)) {
        std::fprintf(stderr,
                     "usage: stop_at_call.exe [--trace] --count PROGRAM [ARGUMENTS...]\n"
                     "       stop_at_call.exe [--trace] --stop K PROGRAM [ARGUMENTS...]\n");
        return kExitFailure;
    }
    std::string line = "\"" + options.program + "\"" + options.rest;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &started)) {
        std::fprintf(stderr, "stop_at_call: cannot start %s (%lu)\n", line.c_str(), GetLastError());
        return kExitFailure;
    }
    Handle process(started.hProcess);
    Handle thread(started.hThread);
    return Debugger(options, process.get()).Run();
}
