// Registry primitives: the readers, the subtree deletion and copy, and the
// trailing-backslash rule.
#include "registration/registry_primitives.h"

#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <cstring>
#include <string>

namespace txr::test {
namespace {

using RegistryPrimitivesTest = LibraryTest;

HKEY OpenTestKey(const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    return key;
}

TEST_F(RegistryPrimitivesTest, DwordReaderTakesValuesOfAtMostFourBytes) {
    SetDword(HKEY_LOCAL_MACHINE, "T", "Four", 0x01020304);
    SetValue(HKEY_LOCAL_MACHINE, "T", "Five", Binary({1, 2, 3, 4, 5}));
    SetValue(HKEY_LOCAL_MACHINE, "T", "One", Binary({0x07}));
    SetString(HKEY_LOCAL_MACHINE, "T", "Text", "ab");
    HKEY key = OpenTestKey("T");

    DWORD value = 0xAAAAAAAA;
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryDword(key, "Four", &value));
    EXPECT_EQ(0x01020304u, value);

    value = 0xAAAAAAAA;
    EXPECT_NE(ERROR_SUCCESS, QueryRegistryDword(key, "Five", &value));
    EXPECT_EQ(0xAAAAAAAAu, value) << "a larger value leaves the number untouched";

    value = 0xAAAAAAAA;
    EXPECT_NE(ERROR_SUCCESS, QueryRegistryDword(key, "Missing", &value));
    EXPECT_EQ(0xAAAAAAAAu, value);

    value = 0xAAAAAAAA;
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryDword(key, "One", &value));
    EXPECT_EQ(0xAAAAAA07u, value) << "a shorter value overwrites only its own bytes";

    value = 0;
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryDword(key, "Text", &value)) << "type not examined";
    EXPECT_EQ(0x00006261u, value);
    RegCloseKey(key);
}

TEST_F(RegistryPrimitivesTest, StringReaderReturnsOnlyTerminatedTextsThatFit) {
    SetString(HKEY_LOCAL_MACHINE, "T", "", "default");
    SetString(HKEY_LOCAL_MACHINE, "T", "Exact", std::string(9, 'x'));  // 10 bytes with NUL
    SetString(HKEY_LOCAL_MACHINE, "T", "Long", std::string(10, 'y'));
    SetValue(HKEY_LOCAL_MACHINE, "T", "Unterminated", Binary({'a', 'b', 'c'}, REG_SZ));
    SetValue(HKEY_LOCAL_MACHINE, "T", "UnterminatedFull", Binary(std::vector<BYTE>(10, 'z'), REG_SZ));
    SetValue(HKEY_LOCAL_MACHINE, "T", "Empty", Binary({}, REG_SZ));
    HKEY key = OpenTestKey("T");

    char buffer[10];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryString(key, nullptr, buffer, sizeof buffer));
    EXPECT_STREQ("default", buffer);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryString(key, "Exact", buffer, sizeof buffer));
    EXPECT_EQ(std::string(9, 'x'), buffer);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_NE(ERROR_SUCCESS, QueryRegistryString(key, "Long", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer) << "nothing usable stays after a failure";

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryString(key, "Unterminated", buffer, sizeof buffer));
    EXPECT_STREQ("abc", buffer);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_NE(ERROR_SUCCESS, QueryRegistryString(key, "UnterminatedFull", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ERROR_SUCCESS, QueryRegistryString(key, "Empty", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_NE(ERROR_SUCCESS, QueryRegistryString(key, "Missing", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    RegCloseKey(key);
}

TEST_F(RegistryPrimitivesTest, DeleteKeyTreeRemovesNestedKeysAndTheKeyItself) {
    SetString(HKEY_LOCAL_MACHINE, "Top\\Doomed\\A\\A1\\A11", "v", "1");
    SetString(HKEY_LOCAL_MACHINE, "Top\\Doomed\\A\\A2", "v", "2");
    SetString(HKEY_LOCAL_MACHINE, "Top\\Doomed\\B", "", "3");
    SetString(HKEY_LOCAL_MACHINE, "Top\\Doomed", "w", "4");
    SetString(HKEY_LOCAL_MACHINE, "Top\\Sibling", "v", "kept");

    EXPECT_EQ(ERROR_SUCCESS, DeleteKeyTree(HKEY_LOCAL_MACHINE, "Top\\Doomed"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Top\\Doomed"));
    EXPECT_EQ("kept", GetString(HKEY_LOCAL_MACHINE, "Top\\Sibling", "v"));
}

TEST_F(RegistryPrimitivesTest, DeleteKeyTreeOnAMissingKeyReportsAndRemovesNothing) {
    SetString(HKEY_LOCAL_MACHINE, "Top\\Other", "v", "kept");
    RegTree before = ReadTree(HKEY_LOCAL_MACHINE, "");
    EXPECT_NE(ERROR_SUCCESS, DeleteKeyTree(HKEY_LOCAL_MACHINE, "Top\\Missing"));
    EXPECT_EQ(before, ReadTree(HKEY_LOCAL_MACHINE, ""));
}

TEST_F(RegistryPrimitivesTest, DeleteKeyTreeStepsOverAChildThatCannotBeDeleted) {
    SetString(HKEY_LOCAL_MACHINE, "Top\\A", "v", "1");
    SetString(HKEY_LOCAL_MACHINE, "Top\\Stuck\\Inner", "v", "2");
    SetString(HKEY_LOCAL_MACHINE, "Top\\Z", "v", "3");
    RegistryFaults faults;
    faults.Fail(reg::Op::DeleteKey, "Top\\Stuck");
    faults.Fail(reg::Op::Open, "Top\\Stuck\\Inner");

    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Top");
    EXPECT_LT(faults.callCount(), 100u) << "the walk must end";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Top\\A"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Top\\Z")) << "children after it are still removed";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Top\\Stuck\\Inner"));
}

TEST_F(RegistryPrimitivesTest, DeleteKeyTreeHandlesLongKeyNames) {
    std::string longName(200, 'k');
    SetString(HKEY_LOCAL_MACHINE, "Top\\" + longName + "\\deep", "v", "1");
    SetString(HKEY_LOCAL_MACHINE, "Top\\short", "v", "1");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Top");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Top"));
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeMergesIntoAnExistingDestination) {
    RegTree source = {
        {"", {{"", Sz("root default")}, {"Same", Sz("from source")}, {"Num", Dword(7)}}},
        {"Child", {{"x", Binary({1, 2, 3})}}},
        {"Child\\Grand", {{"", Sz("g")}}},
        {"Empty", {}},
    };
    WriteTree(HKEY_CLASSES_ROOT, "Src", source);
    WriteTree(HKEY_CLASSES_ROOT, "Dst", {
        {"", {{"Same", Sz("old")}, {"Other", Sz("stays")}}},
        {"Mine", {{"m", Dword(1)}}},
    });

    EXPECT_EQ(ERROR_SUCCESS, CopyKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst"));

    RegTree expected = source;
    expected[""]["Other"] = Sz("stays");
    expected["Mine"] = {{"m", Dword(1)}};
    RegTree copied = ReadTree(HKEY_CLASSES_ROOT, "Dst");
    EXPECT_EQ(expected, copied) << Dump(copied);
    EXPECT_EQ(source, ReadTree(HKEY_CLASSES_ROOT, "Src")) << "the source is left as it was";
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeCreatesTheDestinationWithTheProductClass) {
    SetString(HKEY_CLASSES_ROOT, "Src", "", "x");
    ASSERT_EQ(ERROR_SUCCESS, CopyKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "New\\Dst"));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "New\\Dst", 0, KEY_READ, &key));
    char keyClass[32] = "";
    DWORD length = sizeof keyClass;
    RegQueryInfoKeyA(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_STREQ("Corvel", keyClass);
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeStopsAtTheFirstValueOver256BytesButCopiesSubkeys) {
    // Values enumerate in name order here, as they were written.
    SetString(HKEY_CLASSES_ROOT, "Src", "A", "first");
    SetValue(HKEY_CLASSES_ROOT, "Src", "Big", Binary(std::vector<BYTE>(257, 0x55)));
    SetString(HKEY_CLASSES_ROOT, "Src", "C", "after the big one");
    SetValue(HKEY_CLASSES_ROOT, "Src", "Fits", Binary(std::vector<BYTE>(256, 0x66)));
    SetString(HKEY_CLASSES_ROOT, "Src\\Sub", "s", "subkey value");

    EXPECT_EQ(ERROR_SUCCESS, CopyKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst"));
    RegTree copied = ReadTree(HKEY_CLASSES_ROOT, "Dst");
    RegTree expected = {
        {"", {{"A", Sz("first")}}},
        {"Sub", {{"s", Sz("subkey value")}}},
    };
    EXPECT_EQ(expected, copied) << Dump(copied);
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeStopsAtAValueNameOf80Characters) {
    // Values enumerate in name order here: the long name comes second.
    SetString(HKEY_CLASSES_ROOT, "Src", std::string(79, 'a'), "fits");
    SetString(HKEY_CLASSES_ROOT, "Src", std::string(80, 'b'), "too long a name");
    SetString(HKEY_CLASSES_ROOT, "Src", "c", "after");
    CopyKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst");
    RegTree copied = ReadTree(HKEY_CLASSES_ROOT, "Dst");
    RegTree expected = {{"", {{std::string(79, 'a'), Sz("fits")}}}};
    EXPECT_EQ(expected, copied) << Dump(copied);
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeKeepsSubkeysWithLongNames) {
    std::string longName(120, 'q');
    SetString(HKEY_CLASSES_ROOT, "Src\\" + longName, "", "long");
    SetString(HKEY_CLASSES_ROOT, "Src\\zz", "", "after");
    CopyKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst");
    EXPECT_EQ("long", GetString(HKEY_CLASSES_ROOT, "Dst\\" + longName, ""));
    EXPECT_EQ("after", GetString(HKEY_CLASSES_ROOT, "Dst\\zz", ""));
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeFromAMissingSourceCreatesNothing) {
    EXPECT_NE(ERROR_SUCCESS, CopyKeyTree(HKEY_CLASSES_ROOT, "Missing", HKEY_CLASSES_ROOT, "Dst"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Dst"));
}

TEST_F(RegistryPrimitivesTest, CopyKeyTreeReportsAFailedCreate) {
    SetString(HKEY_CLASSES_ROOT, "Src", "", "x");
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKCR\\Dst", ERROR_ACCESS_DENIED);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              CopyKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Dst"));
}

TEST_F(RegistryPrimitivesTest, AWholeCopyIsReportedOnlyWhenEverythingArrived) {
    SetString(HKEY_CLASSES_ROOT, "Src", "A", "a");
    SetString(HKEY_CLASSES_ROOT, "Src\\Sub\\Deep", "B", "b");
    EXPECT_EQ(ERROR_SUCCESS, CopyKeyTreeWhole(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              CopyKeyTreeWhole(HKEY_CLASSES_ROOT, "Missing", HKEY_CLASSES_ROOT, "Dst2"));

    SetValue(HKEY_CLASSES_ROOT, "Src\\Sub", "Big", Binary(std::vector<BYTE>(300, 1)));
    EXPECT_EQ(ERROR_WRITE_FAULT,
              CopyKeyTreeWhole(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Dst3"))
        << "a value too large for the copy";

    RegistryFaults faults;
    faults.Fail(reg::Op::SetValue, "Dst4\\Sub\\Deep\\B");
    EXPECT_EQ(ERROR_WRITE_FAULT,
              CopyKeyTreeWhole(HKEY_CLASSES_ROOT, "Src\\Sub\\Deep", HKEY_CLASSES_ROOT, "Dst4\\Sub\\Deep"))
        << "a write that failed inside the copy";
}

TEST_F(RegistryPrimitivesTest, ASaveKeepsWhatWasSavedFirstAndCompletesWhatIsMissing) {
    WriteTree(HKEY_CLASSES_ROOT, "Src", {
        {"", {{"", Sz("product")}, {"New", Dword(2)}}},
        {"Child", {{"x", Sz("product's")}}},
        {"Added", {{"a", Sz("a")}}},
    });
    // A copy saved before (by a first install), cut short of "Added".
    const RegTree saved = {
        {"", {{"", Sz("system")}}},
        {"Child", {{"x", Sz("system's")}, {"only", Sz("saved")}}},
    };
    WriteTree(HKEY_CLASSES_ROOT, "Saved", saved);

    EXPECT_EQ(ERROR_SUCCESS, SaveKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Saved"));
    RegTree expected = saved;
    expected[""]["New"] = Dword(2);
    expected["Added"] = {{"a", Sz("a")}};
    EXPECT_EQ(expected, ReadTree(HKEY_CLASSES_ROOT, "Saved"));

    SetValue(HKEY_CLASSES_ROOT, "Src\\Child", "Big", Binary(std::vector<BYTE>(300, 1)));
    EXPECT_EQ(ERROR_WRITE_FAULT, SaveKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Saved"))
        << "a value too large for the copy is missing from it";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              SaveKeyTree(HKEY_CLASSES_ROOT, "Missing", HKEY_CLASSES_ROOT, "Saved2"));

    // What the copy could not carry but the saved copy holds already is
    // saved: the check that such a copy needs finds it there.
    SetString(HKEY_CLASSES_ROOT, "Saved\\Child", "Big", "saved first");
    EXPECT_EQ(ERROR_SUCCESS, SaveKeyTree(HKEY_CLASSES_ROOT, "Src", HKEY_CLASSES_ROOT, "Saved"));
    EXPECT_EQ("saved first", GetString(HKEY_CLASSES_ROOT, "Saved\\Child", "Big"));
}

// A copy reports the source's shape, and a deletion that knows the shape
// leaves what DeleteKeyTree leaves, whatever changed or failed since.
TEST_F(RegistryPrimitivesTest, ADeletionByAKnownShapeEndsAsTheWalkDoes) {
    const RegTree tree = {
        {"", {{"", Sz("top")}}},
        {"A", {}},
        {"A\\A1", {{"v", Sz("1")}}},
        {"A\\A1\\Deep", {}},
        {"B", {{"w", Dword(2)}}},
        {"C", {}},
    };
    auto copy = [](KeyShape* shape) {
        HKEY source = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CLASSES_ROOT, "Src", 0, KEY_ALL_ACCESS, &source));
        LONG status = CopyOpenKeyTreeWhole(source, HKEY_CLASSES_ROOT, "Dst", shape);
        RegCloseKey(source);
        return status;
    };

    WriteTree(HKEY_CLASSES_ROOT, "Src", tree);
    KeyShape shape;
    ASSERT_EQ(ERROR_SUCCESS, copy(&shape));
    EXPECT_EQ(tree, ReadTree(HKEY_CLASSES_ROOT, "Dst"));
    ASSERT_TRUE(shape.known);
    ASSERT_EQ(3u, shape.subkeys.size());
    EXPECT_EQ("A", shape.subkeys[0].name);
    ASSERT_EQ(1u, shape.subkeys[0].subkeys.size());
    EXPECT_EQ("Deep", shape.subkeys[0].subkeys[0].subkeys[0].name);
    EXPECT_TRUE(DeleteKnownKeyTree(HKEY_CLASSES_ROOT, "Src", shape));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Src"));

    // A key added since the shape was taken goes as well.
    WriteTree(HKEY_CLASSES_ROOT, "Src", tree);
    CreateKey(HKEY_CLASSES_ROOT, "Src\\B\\Added\\Later");
    EXPECT_TRUE(DeleteKnownKeyTree(HKEY_CLASSES_ROOT, "Src", shape));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Src"));

    // A key that cannot be deleted is passed over; its parents stay, all
    // else goes, and the deletion ends.
    WriteTree(HKEY_CLASSES_ROOT, "Src", tree);
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::DeleteKey, "HKCR\\Src\\A\\A1\\Deep");
        EXPECT_FALSE(DeleteKnownKeyTree(HKEY_CLASSES_ROOT, "Src", shape));
        EXPECT_LT(faults.callCount(), 100u);
    }
    EXPECT_EQ(RegTree({{"", {{"", Sz("top")}}},
                       {"A", {}},
                       {"A\\A1", {{"v", Sz("1")}}},
                       {"A\\A1\\Deep", {}}}),
              ReadTree(HKEY_CLASSES_ROOT, "Src"));
    DeleteKeyTree(HKEY_CLASSES_ROOT, "Src");

    // A copy that met a failure knows only the branches it saw whole; the
    // deletion walks the rest.
    WriteTree(HKEY_CLASSES_ROOT, "Src", tree);
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::EnumKey, "\\A\\A1", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(ERROR_WRITE_FAULT, copy(&shape)) << "the check cannot list A1 either";
    }
    EXPECT_FALSE(shape.known);
    EXPECT_FALSE(shape.subkeys[0].known);
    EXPECT_TRUE(shape.subkeys[1].known);
    EXPECT_TRUE(DeleteKnownKeyTree(HKEY_CLASSES_ROOT, "Src", shape));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Src"));
}

TEST(AppendBackslashTest, AddsExactlyOneBackslashToANonEmptyPath) {
    char path[16] = "C:\\X";
    EXPECT_TRUE(AppendBackslash(path));
    EXPECT_STREQ("C:\\X\\", path);
    EXPECT_TRUE(AppendBackslash(path));
    EXPECT_STREQ("C:\\X\\", path);

    char empty[4] = "";
    EXPECT_TRUE(AppendBackslash(empty));
    EXPECT_STREQ("", empty);
}

TEST(AppendBackslashTest, LeavesAFullBufferUnchanged) {
    char path[260];
    std::memset(path, 'p', 259);
    path[259] = '\0';
    char guard = 'G';
    EXPECT_FALSE(AppendBackslash(path, sizeof path));
    EXPECT_EQ(259u, std::strlen(path));
    EXPECT_EQ('G', guard);

    char fits[260];
    std::memset(fits, 'p', 258);
    fits[258] = '\0';
    EXPECT_TRUE(AppendBackslash(fits, sizeof fits));
    EXPECT_EQ(259u, std::strlen(fits));
    EXPECT_EQ('\\', fits[258]);
}

}  // namespace
}  // namespace txr::test
