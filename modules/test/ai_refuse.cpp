// AIREFUSE.DLL: one application whose integration always fails (code 6
// answers 0); its removal succeeds.
#include "modules/test/test_module.h"

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code == txr::AI_INTEGRATE) return 0;
    if (code == txr::AI_REMOVE) return 1;
    return test_module::CommonAnswer("Refuse", 1, code, index, data);
}
