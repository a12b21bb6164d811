// AIMANY.DLL: 25 applications, more than the setup's table holds.
#include "modules/test/test_module.h"

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code == txr::AI_INTEGRATE || code == txr::AI_REMOVE) return 1;
    return test_module::CommonAnswer("Many", 25, code, index, data);
}
