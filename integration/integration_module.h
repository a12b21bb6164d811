// One integration module AI*.DLL of the setup folder's SUPPORT\ folder,
// loaded for a single use and unloaded when the object goes.
#pragma once

#include "integration/module_protocol.h"

#include <windows.h>

#include <cstddef>

namespace txr {

// Forms setup folder + "SUPPORT\" + fileName into path[size].  False (and
// an empty path) when it does not fit.
bool SupportFilePath(const char* fileName, char* path, std::size_t size);

class IntegrationModule {
public:
    IntegrationModule() = default;
    ~IntegrationModule() { Unload(); }
    IntegrationModule(const IntegrationModule&) = delete;
    IntegrationModule& operator=(const IntegrationModule&) = delete;

    // Loads setup folder + "SUPPORT\" + fileName and finds its AIEntry.
    // False, with nothing left loaded, when either fails.
    bool Load(const char* fileName);
    void Unload();

    // Asks the module.  True with its answer in *result; false when the
    // call faulted (*result is then 0; see CallEntryGuarded) or no module
    // is loaded.
    bool Call(int code, int index, void* data, int* result);

    // Asks the module where only the answer matters; a faulted call
    // answers 0.
    int Ask(int code, int index, void* data) {
        int result = 0;
        Call(code, index, data, &result);
        return result;
    }

private:
    HMODULE module_ = nullptr;
    AIEntryFunction entry_ = nullptr;
};

}  // namespace txr
