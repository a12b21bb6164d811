// Entry of the test programs: the program stands in for the library's
// module (it carries the same resources), as if the library had just been
// loaded.
#include "setup/library_state.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    txr::OnLibraryAttach(GetModuleHandleA(nullptr));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
