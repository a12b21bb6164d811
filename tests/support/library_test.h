// Base fixture of the library's tests: a private registry, no seam left
// installed by an earlier test, the error log numbered from 0 and the
// library's paths as they are after loading.
#pragma once

#include "tests/support/registry_redirect.h"

#include <gtest/gtest.h>

namespace txr::test {

class LibraryTest : public ::testing::Test {
protected:
    LibraryTest();
    ~LibraryTest() override;

    RegistryRedirect registry_;
};

// The test program's own folder, with a trailing backslash.
std::string ProgramFolder();

}  // namespace txr::test
