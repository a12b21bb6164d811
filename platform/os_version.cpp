#include "platform/os_version.h"

#include <windows.h>

namespace txr::os {
namespace {

Platform g_forced = Platform::Actual;

}  // namespace

void ForcePlatform(Platform platform) { g_forced = platform; }

bool IsWindows95() {
    switch (g_forced) {
    case Platform::Windows95: return true;
    case Platform::WindowsNT: return false;
    case Platform::Actual: break;
    }
    return (GetVersion() & 0x80000000u) != 0;
}

}  // namespace txr::os
