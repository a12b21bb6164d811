// Running a test under Wine's real platform-version setting.
//
// Wine answers GetVersion() from its "Version" setting, read when a program
// starts (per program: HKCU\Software\Wine\AppDefaults\<name>.exe).  A test
// that must see the real Windows 95 or Windows NT answer runs one test of
// its own program again as a child: a copy of the program under a unique
// name, with that name's setting made "win95" or "nt40".
//
// The child test is written as a DISABLED_ test (so that ordinary runs skip
// it) and is run by name; its exit code is the verdict.
#pragma once

#include <string>

namespace txr::test {

// Runs the test named by filter (e.g. "Suite.DISABLED_Case") in a copy of
// this program whose Wine version setting is version ("win95", "nt40").
// Returns the child's exit code: 0 when the test passed.  The child's
// output is appended to *output when given.
int RunTestUnderWineVersion(const std::string& version, const std::string& filter,
                            std::string* output = nullptr);

}  // namespace txr::test
