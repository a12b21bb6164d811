#include "platform/file_api.h"

#include <utility>

namespace txr::file {
namespace {

FaultHook& Hook() {
    static FaultHook hook;
    return hook;
}

// Asks the hook about a call; false means the call is forged as failed
// (its error already set as the last error).
bool MayGo(Op op, const char* source, const char* destination) {
    if (!Hook()) return true;
    DWORD forged = Hook()(Call{op, source ? source : "", destination ? destination : ""});
    if (forged == ERROR_SUCCESS) return true;
    SetLastError(forged);
    return false;
}

}  // namespace

void SetFaultHook(FaultHook hook) { Hook() = std::move(hook); }

BOOL Copy(const char* source, const char* destination, BOOL failIfExists) {
    if (!MayGo(Op::Copy, source, destination)) return FALSE;
    return CopyFileA(source, destination, failIfExists);
}

BOOL Move(const char* source, const char* destination) {
    if (!MayGo(Op::Move, source, destination)) return FALSE;
    return MoveFileA(source, destination);
}

BOOL Delete(const char* path) {
    if (!MayGo(Op::Delete, path, nullptr)) return FALSE;
    return DeleteFileA(path);
}

}  // namespace txr::file
