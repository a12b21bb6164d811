// Windows 95 or Windows NT: the top bit of GetVersion() is set on Windows 95.
//
// A test may force either answer in-process; the real answer comes from the
// platform (under Wine, from its "Version" setting for the program).
#pragma once

namespace txr::os {

enum class Platform { Actual, Windows95, WindowsNT };

// Forces the answer of IsWindows95 (Actual: ask the platform again).
void ForcePlatform(Platform platform);

// True when the platform version word has its top bit set.
bool IsWindows95();

}  // namespace txr::os
