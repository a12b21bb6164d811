// AIFAULT.DLL: one application; integrating it writes through a null
// pointer (an access violation), removing it divides by zero.
#include "modules/test/test_module.h"

namespace {
// Volatile, so that the compiler cannot see through either fault.
int* volatile g_nowhere = nullptr;
volatile int g_zero = 0;
}  // namespace

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code == txr::AI_INTEGRATE) {
        *g_nowhere = 1;
        return 1;
    }
    if (code == txr::AI_REMOVE) return 1 / g_zero;
    return test_module::CommonAnswer("Fault", 1, code, index, data);
}
