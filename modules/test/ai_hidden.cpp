// AIHIDDEN.DLL: one application that keeps itself out of the integration
// list (code 12 answers 10).
#include "modules/test/test_module.h"

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code == txr::AI_VISIBILITY) return txr::kHiddenFromList;
    if (code == txr::AI_INTEGRATE || code == txr::AI_REMOVE) return 1;
    return test_module::CommonAnswer("Hidden", 1, code, index, data);
}
