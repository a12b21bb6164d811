// AILDFALT.DLL: two applications; asking for the location of the second
// raises an access violation, while the setup loads the modules.
#include "modules/test/test_module.h"

namespace {
int* volatile g_nowhere = nullptr;
}  // namespace

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code == txr::AI_LOCATION && index == 1) return *g_nowhere;
    return test_module::CommonAnswer("LoadFault", 2, code, index, data);
}
