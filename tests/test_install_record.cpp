// Reading the installation record: presets, flags and the 4-byte rule.
#include "setup/install_record.h"

#include "tests/support/bad_pointers.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <cstring>
#include <string>

namespace txr::test {
namespace {

constexpr const char* kKey = "Software\\Corvel\\Orbisel\\CurrentVersion";

struct Outputs {
    DWORD flags = 0xDEADBEEF;
    DWORD major = 0xDEADBEEF;
    DWORD minor = 0xDEADBEEF;
    DWORD sub = 0xDEADBEEF;
    char path[261];
    Outputs() {
        std::memset(path, '#', sizeof path);
        path[260] = 'G';  // guard byte past the 260 the call may use
    }
    int Read() { return TXRGetRegInfo(&flags, &major, &minor, &sub, path); }
};

using InstallRecordTest = LibraryTest;

TEST_F(InstallRecordTest, AFreshWorkstationHasNoRecord) {
    Outputs out;
    EXPECT_EQ(0, out.Read());
    EXPECT_EQ(0u, out.flags);
    EXPECT_EQ(0xDEADBEEFu, out.major) << "the other outputs are left untouched";
    EXPECT_EQ(0xDEADBEEFu, out.minor);
    EXPECT_EQ(0xDEADBEEFu, out.sub);
    EXPECT_EQ('#', out.path[0]);
}

TEST_F(InstallRecordTest, ACompleteNetworkRecordSetsEveryFlag) {
    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "X:\\TXR\\");
    SetDword(HKEY_LOCAL_MACHINE, kKey, "MajorRelease", 4);
    SetDword(HKEY_LOCAL_MACHINE, kKey, "MinorRelease", 6);
    SetDword(HKEY_LOCAL_MACHINE, kKey, "SubRelease", 2);
    SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    Outputs out;
    EXPECT_EQ(1, out.Read());
    EXPECT_EQ(0x1Fu, out.flags);
    EXPECT_EQ(4u, out.major);
    EXPECT_EQ(6u, out.minor);
    EXPECT_EQ(2u, out.sub);
    EXPECT_STREQ("X:\\TXR\\", out.path);
}

TEST_F(InstallRecordTest, ARecordWithOnlyAnInstallPathGivesThePresets) {
    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "C:\\LOCAL\\");
    Outputs out;
    EXPECT_EQ(1, out.Read());
    EXPECT_EQ(0x08u, out.flags);
    EXPECT_EQ(4u, out.major);
    EXPECT_EQ(5u, out.minor);
    EXPECT_EQ(0u, out.sub);
}

TEST_F(InstallRecordTest, NetworkCountsOnlyWhenItIsOne) {
    for (DWORD network : {0u, 2u, 0x101u}) {
        SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", network);
        Outputs out;
        EXPECT_EQ(1, out.Read());
        EXPECT_EQ(0u, out.flags) << network;
        EXPECT_STREQ("", out.path) << "the path is emptied when missing";
    }
}

TEST_F(InstallRecordTest, AVersionValueLongerThanFourBytesCountsAsNotRead) {
    SetValue(HKEY_LOCAL_MACHINE, kKey, "MajorRelease", Binary({9, 0, 0, 0, 0}));
    SetDword(HKEY_LOCAL_MACHINE, kKey, "MinorRelease", 7);
    Outputs out;
    EXPECT_EQ(1, out.Read());
    EXPECT_EQ(0x02u, out.flags);
    EXPECT_EQ(4u, out.major) << "the preset stays";
    EXPECT_EQ(7u, out.minor);
}

TEST_F(InstallRecordTest, AnInstallPathThatDoesNotFitIsNotRead) {
    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", std::string(300, 'p'));
    SetValue(HKEY_LOCAL_MACHINE, kKey, "Network", Binary({1, 0, 0, 0}, REG_DWORD));
    Outputs out;
    EXPECT_EQ(1, out.Read());
    EXPECT_EQ(0x10u, out.flags);
    EXPECT_STREQ("", out.path);
    EXPECT_EQ('G', out.path[260]);
}

TEST_F(InstallRecordTest, PathsOf259And260CharactersAndUnterminatedOnes) {
    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", std::string(259, 'a'));
    Outputs fits;
    fits.Read();
    EXPECT_EQ(0x08u, fits.flags);
    EXPECT_EQ(std::string(259, 'a'), fits.path);

    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", std::string(260, 'b'));
    Outputs tooLong;
    tooLong.Read();
    EXPECT_EQ(0u, tooLong.flags);
    EXPECT_STREQ("", tooLong.path);
    EXPECT_EQ('G', tooLong.path[260]);

    SetValue(HKEY_LOCAL_MACHINE, kKey, "InstallPath", Binary({'X', ':', '\\'}, REG_SZ));
    Outputs unterminated;
    unterminated.Read();
    EXPECT_EQ(0x08u, unterminated.flags);
    EXPECT_STREQ("X:\\", unterminated.path);

    SetValue(HKEY_LOCAL_MACHINE, kKey, "InstallPath", Binary(std::vector<BYTE>(260, 'c'), REG_SZ));
    Outputs fullUnterminated;
    fullUnterminated.Read();
    EXPECT_EQ(0u, fullUnterminated.flags);
    EXPECT_STREQ("", fullUnterminated.path);
    EXPECT_EQ('G', fullUnterminated.path[260]);
}

TEST_F(InstallRecordTest, AKeyThatCannotBeOpenedForWritingCountsAsNoRecord) {
    SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    RegistryFaults faults;
    faults.Fail(reg::Op::Open, kKey);
    Outputs out;
    EXPECT_EQ(0, out.Read());
    EXPECT_EQ(0u, out.flags);
}

TEST_F(InstallRecordTest, AnOutputThatCannotBeWrittenLeavesEveryOutputAsItWas) {
    SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "X:\\TXR\\");
    SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    BadPointers bad;
    for (const BadPointers::Named& buffer : bad.UnwritableBuffers()) {
        for (int which = 0; which < 5; ++which) {
            Outputs out;
            DWORD* numbers[4] = {&out.flags, &out.major, &out.minor, &out.sub};
            if (which < 4) numbers[which] = reinterpret_cast<DWORD*>(buffer.pointer);
            char* path = which == 4 ? buffer.pointer : out.path;
            EXPECT_EQ(0, TXRGetRegInfo(numbers[0], numbers[1], numbers[2], numbers[3], path))
                << buffer.what << ", output " << which;
            EXPECT_EQ(0xDEADBEEFu, out.flags) << buffer.what << ", output " << which;
            EXPECT_EQ(0xDEADBEEFu, out.major);
            EXPECT_EQ(0xDEADBEEFu, out.minor);
            EXPECT_EQ(0xDEADBEEFu, out.sub);
            EXPECT_EQ('#', out.path[0]);
        }
    }
    // Without a record only the flags are written: a bad one gives 0 as well.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    for (const BadPointers::Named& buffer : bad.UnwritableBuffers()) {
        Outputs out;
        EXPECT_EQ(0, TXRGetRegInfo(reinterpret_cast<DWORD*>(buffer.pointer), &out.major,
                                   &out.minor, &out.sub, out.path))
            << buffer.what;
    }
    Outputs out;
    EXPECT_EQ(0, out.Read());
    EXPECT_EQ(0u, out.flags);
}

TEST_F(InstallRecordTest, NullOutputsAreSkipped) {
    SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    EXPECT_EQ(1, TXRGetRegInfo(nullptr, nullptr, nullptr, nullptr, nullptr));
    DWORD flags = 0;
    EXPECT_EQ(1, TXRGetRegInfo(&flags, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0x10u, flags);
}

}  // namespace
}  // namespace txr::test
