#include "integration/integration_module.h"

#include "integration/module_fault_guard.h"
#include "platform/bounded_text.h"
#include "setup/library_state.h"

namespace txr {

bool SupportFilePath(const char* fileName, char* path, std::size_t size) {
    if (text::FormatTo(path, size, "%sSUPPORT\\%s", Library().setupDirectory, fileName)) {
        return true;
    }
    if (size > 0) path[0] = '\0';
    return false;
}

bool IntegrationModule::Load(const char* fileName) {
    Unload();
    char path[kPathSize];
    if (!SupportFilePath(fileName, path, sizeof path)) return false;
    // A module that cannot be loaded is skipped quietly: no "missing file"
    // box from the platform.
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = LoadLibraryA(path);
    SetErrorMode(previousMode);
    if (!module_) return false;
    entry_ = reinterpret_cast<AIEntryFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, kEntryPointName)));
    if (!entry_) {
        Unload();
        return false;
    }
    return true;
}

void IntegrationModule::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    entry_ = nullptr;
}

bool IntegrationModule::Call(int code, int index, void* data, int* result) {
    *result = 0;
    if (!entry_) return false;
    return CallEntryGuarded(entry_, code, index, data, result);
}

}  // namespace txr
