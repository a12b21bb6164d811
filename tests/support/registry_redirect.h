// A private registry for one test: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and
// HKEY_CLASSES_ROOT of this process point at scratch keys (through
// RegOverridePredefKey) for the lifetime of the object, and the scratch keys
// are deleted afterwards.  Tests thus never see each other's registry, nor
// the prefix's own.
#pragma once

#include <windows.h>

#include <string>

namespace txr::test {

class RegistryRedirect {
public:
    RegistryRedirect();
    ~RegistryRedirect();
    RegistryRedirect(const RegistryRedirect&) = delete;
    RegistryRedirect& operator=(const RegistryRedirect&) = delete;

private:
    std::string base_;  // under the real HKEY_CURRENT_USER
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
    HKEY classes_ = nullptr;
};

}  // namespace txr::test
