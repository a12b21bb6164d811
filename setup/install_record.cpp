#include "setup/install_record.h"

#include "platform/fault_guard.h"
#include "platform/registry_api.h"
#include "registration/registry_primitives.h"
#include "setup/library_state.h"

#include <cstring>

namespace txr {
namespace {

// The record as read, before any of it goes to the caller.
struct RecordRead {
    DWORD flags = 0;
    DWORD major = kReleaseMajor;
    DWORD minor = kReleaseMinor;
    DWORD sub = kReleaseSub;
    char path[kPathSize] = "";
};

// A missing value, or one longer than 4 bytes, leaves the preset.
void ReadVersionValue(HKEY key, const char* name, DWORD flag, DWORD& value, DWORD& flags) {
    if (QueryRegistryDword(key, name, &value) == ERROR_SUCCESS) flags |= flag;
}

// False when the product key cannot be opened for reading and writing.
bool ReadRecord(RecordRead& record) {
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ | KEY_WRITE, key.receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    ReadVersionValue(key.get(), "MajorRelease", kRecordMajor, record.major, record.flags);
    ReadVersionValue(key.get(), "MinorRelease", kRecordMinor, record.minor, record.flags);
    ReadVersionValue(key.get(), "SubRelease", kRecordSub, record.sub, record.flags);
    if (QueryRegistryString(key.get(), "InstallPath", record.path, sizeof record.path) ==
        ERROR_SUCCESS) {
        record.flags |= kRecordInstallPath;
    } else {
        record.path[0] = '\0';
    }
    DWORD network = 0;
    if (QueryRegistryDword(key.get(), "Network", &network) == ERROR_SUCCESS && network == 1) {
        record.flags |= kRecordNetwork;
    }
    return true;
}

}  // namespace
}  // namespace txr

extern "C" int WINAPI TXRGetRegInfo(DWORD* flags, DWORD* major, DWORD* minor, DWORD* sub,
                                    LPSTR installPath) {
    using namespace txr;
    // The outputs may belong to an outside program: they are written only
    // at the end, all of them or none, under the fault guard.
    RecordRead record;
    if (!ReadRecord(record)) {
        const DWORD none = 0;
        const guard::OutBlock noFlags[] = {{flags, &none, sizeof none}};
        guard::CopyBlocksOut(noFlags);
        return 0;
    }
    const guard::OutBlock outputs[] = {
        {flags, &record.flags, sizeof record.flags},
        {major, &record.major, sizeof record.major},
        {minor, &record.minor, sizeof record.minor},
        {sub, &record.sub, sizeof record.sub},
        {installPath, record.path, strnlen(record.path, kPathSize - 1) + 1},
    };
    return guard::CopyBlocksOut(outputs) ? 1 : 0;
}
