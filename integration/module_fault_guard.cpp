// A module's entry point run under the library's fault guard.
#include "integration/module_fault_guard.h"

#include "platform/fault_guard.h"

namespace txr {
namespace {

struct EntryCall {
    AIEntryFunction entry;
    int code;
    int index;
    void* data;
    int answer;
};

void CallEntry(void* context) {
    EntryCall& call = *static_cast<EntryCall*>(context);
    call.answer = call.entry(call.code, call.index, call.data);
}

}  // namespace

bool CallEntryGuarded(AIEntryFunction entry, int code, int index, void* data, int* result,
                      DWORD* exceptionCode) {
    EntryCall call{entry, code, index, data, 0};
    bool returned = guard::RunGuarded(&CallEntry, &call, exceptionCode);
    *result = returned ? call.answer : 0;
    return returned;
}

}  // namespace txr
