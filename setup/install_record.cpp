#include "setup/install_record.h"

#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "registration/registry_primitives.h"
#include "setup/library_state.h"

namespace txr {
namespace {

void ReadVersionValue(HKEY key, const char* name, DWORD preset, DWORD flag, DWORD* out,
                      DWORD* flags) {
    DWORD value = preset;
    if (QueryRegistryDword(key, name, &value) == ERROR_SUCCESS) *flags |= flag;
    if (out) *out = value;
}

}  // namespace
}  // namespace txr

extern "C" int WINAPI TXRGetRegInfo(DWORD* flags, DWORD* major, DWORD* minor, DWORD* sub,
                                    LPSTR installPath) {
    using namespace txr;
    DWORD found = 0;
    if (flags) *flags = 0;

    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ | KEY_WRITE, key.receive()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    ReadVersionValue(key.get(), "MajorRelease", kReleaseMajor, kRecordMajor, major, &found);
    ReadVersionValue(key.get(), "MinorRelease", kReleaseMinor, kRecordMinor, minor, &found);
    ReadVersionValue(key.get(), "SubRelease", kReleaseSub, kRecordSub, sub, &found);

    char path[kPathSize];
    if (QueryRegistryString(key.get(), "InstallPath", path, sizeof path) == ERROR_SUCCESS) {
        found |= kRecordInstallPath;
    }
    if (installPath) text::CopyTo(installPath, kPathSize, path);

    DWORD network = 0;
    if (QueryRegistryDword(key.get(), "Network", &network) == ERROR_SUCCESS && network == 1) {
        found |= kRecordNetwork;
    }
    if (flags) *flags = found;
    return 1;
}
