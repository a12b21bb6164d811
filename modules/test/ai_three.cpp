// AITHREE.DLL: three applications; the second declines its key name.
#include "modules/test/test_module.h"

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code == txr::AI_KEYNAME && index == 1) return 0;
    if (code == txr::AI_INTEGRATE || code == txr::AI_REMOVE) return 1;
    return test_module::CommonAnswer("Three", 3, code, index, data);
}
