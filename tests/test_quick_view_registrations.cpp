// Quick View: the takeover of HKCR\QuickView with its saved copy, the
// file types' own "QuickView" subkeys, the product's viewer for all files
// and the open-command key.
#include "registration/registry_primitives.h"
#include "tests/registration_fixture.h"

#include <memory>
#include <string>

namespace txr::test {
namespace {

constexpr char kDefaultViewerKey[] = "QuickView\\*\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kCommandKey[] = "QuickView\\Shell\\Open\\Command";

std::string Entry(const std::string& name, const std::string& viewer = "") {
    return "QuickView\\" + name + (viewer.empty() ? "" : "\\" + viewer);
}

// The part of tree below prefix, with paths relative to it.
RegTree Subtree(const RegTree& tree, const std::string& prefix) {
    RegTree part;
    for (const auto& [path, values] : tree) {
        if (path == prefix) part[""] = values;
        else if (path.rfind(prefix + "\\", 0) == 0) part[path.substr(prefix.size() + 1)] = values;
    }
    return part;
}

class QuickViewTest : public RegistrationTest {
protected:
    // Makes the calls of kind op on a target fail in the takeover's walk,
    // not while the saved copy is made: the copy opens every entry (with
    // read access) and its check lists every entry's viewers first, so the
    // walk's are the first full-access open and the second listing.
    void FailInTheWalk(RegistryFaults& faults, reg::Op op, const std::string& target) {
        auto seen = std::make_shared<int>(0);
        faults.FailWhen([seen, op, target](const reg::Call& call) {
            if (call.op != op || !EndsWithNoCase(reg::Describe(call), target)) return false;
            if (op == reg::Op::Open) return call.access == kFull;
            return ++*seen >= 2;
        });
    }
    // Makes the takeover walk QuickView again instead of taking the marks
    // from what its save read: a value too large for the copy that the saved
    // copy of an earlier install already holds leaves the save whole, but
    // only a check can tell.
    void SaveThatOnlyACheckFindsWhole() {
        SetValue(HKEY_CLASSES_ROOT, "QuickView", "Big", Binary(std::vector<BYTE>(300, 1)));
        SetString(HKEY_CLASSES_ROOT, "QuickView.Original", "Big", "saved before");
    }
    // Ends a walk that would never end: every call fails after limit calls.
    void LimitCalls(RegistryFaults& faults, unsigned limit) {
        faults.FailWhen([&faults, limit](const reg::Call&) { return faults.callCount() > limit; });
    }
};

// --- TXRRegQuickView ---

TEST_F(QuickViewTest, WithoutQuickViewThereIsNothingToTakeOver) {
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QuickView"));
    EXPECT_EQ(kCheckCorrect, TXRRegQuickView(kModeCheck, nullptr, nullptr));
}

TEST_F(QuickViewTest, TakeoverRemovesTheSystemViewersEntriesAndStar) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer));
    SetString(HKEY_CLASSES_ROOT, Entry(".txt"), "", "kept with its entry");
    CreateKey(HKEY_CLASSES_ROOT, Entry(".bmp"));                          // no viewer at all
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));            // another viewer
    CreateKey(HKEY_CLASSES_ROOT, Entry(".wri", "{f0f08735-0c36-101b-b086-0020af07d0f4}"));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".rtf", kOtherViewer));            // first of two
    CreateKey(HKEY_CLASSES_ROOT, Entry(".rtf", kSystemViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".ini", kSystemViewer));           // first of two
    CreateKey(HKEY_CLASSES_ROOT, Entry(".ini", kFileViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry("*", kOtherViewer));               // "*" always
    CreateKey(HKEY_CLASSES_ROOT, Entry("*x"));
    CreateKey(HKEY_CLASSES_ROOT, Entry("Plain"));                         // neither
    SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");

    EXPECT_EQ(kCheckWrong, TXRRegQuickView(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    EXPECT_EQ(RegTree({{"", {{"", Sz("Quick View")}}},
                       {".doc", {}},
                       {std::string(".doc\\") + kOtherViewer, {}},
                       {".rtf", {}},
                       {std::string(".rtf\\") + kOtherViewer, {}},
                       {std::string(".rtf\\") + kSystemViewer, {}},
                       {".wri", {}},
                       {".wri\\{f0f08735-0c36-101b-b086-0020af07d0f4}", {}},
                       {"Plain", {}}}),
              ReadTree(HKEY_CLASSES_ROOT, "QuickView"))
        << Dump(ReadTree(HKEY_CLASSES_ROOT, "QuickView"));
    EXPECT_EQ(kCheckCorrect, TXRRegQuickView(kModeCheck, nullptr, nullptr));
    EXPECT_TRUE(Records().empty());
}

TEST_F(QuickViewTest, CheckLooksOnlyAtExtensionEntries) {
    CreateKey(HKEY_CLASSES_ROOT, Entry("*", kSystemViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry("Plain"));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));
    EXPECT_EQ(kCheckCorrect, TXRRegQuickView(kModeCheck, nullptr, nullptr));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".zzz"));
    EXPECT_EQ(kCheckWrong, TXRRegQuickView(kModeCheck, nullptr, nullptr)) << "the last entry too";
}

TEST_F(QuickViewTest, TheSavedCopyComesBackAtRemoval) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));
    SetString(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer), "Setting", "on");
    CreateKey(HKEY_CLASSES_ROOT, Entry("*", kSystemViewer));
    RegTree original = ReadTree(HKEY_CLASSES_ROOT, "QuickView");

    // The takeover makes the saved copy itself, first.
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    EXPECT_EQ(kRegDone, TXRRegQuickViewDefault(kModeInstall, log_, nullptr));
    EXPECT_EQ(original, ReadTree(HKEY_CLASSES_ROOT, "QuickView.Original"));

    // The uninstall's order: the takeover first, then the default viewer.
    TXRRegQuickView(kModeRemove, nullptr, nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QuickView.Original"));
    TXRRegQuickViewDefault(kModeRemove, nullptr, nullptr);
    RegTree expected = original;
    expected[""][""] = Sz("Orbisel");  // Quick View's name stays
    EXPECT_EQ(expected, ReadTree(HKEY_CLASSES_ROOT, "QuickView"))
        << Dump(ReadTree(HKEY_CLASSES_ROOT, "QuickView"));
    EXPECT_EQ(kCheckWrong, TXRRegQuickView(kModeCheck, nullptr, nullptr));
}

TEST_F(QuickViewTest, RemovalWithoutASavedCopyChangesNothing) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));
    RegTree before = Everything();
    TXRRegQuickView(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(before, Everything());
}

// Merging the saved copy back may fail; the copy is then all that is left
// of the system's entries and must not be deleted.
TEST_F(QuickViewTest, ASavedCopyThatCannotBeMergedBackIsKept) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer));
    TXRRegQuickView(kModeInstall, log_, nullptr);
    RegTree saved = ReadTree(HKEY_CLASSES_ROOT, "QuickView.Original");
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "HKCR\\QuickView");
        TXRRegQuickView(kModeRemove, nullptr, nullptr);
    }
    EXPECT_EQ(saved, ReadTree(HKEY_CLASSES_ROOT, "QuickView.Original"));
    TXRRegQuickView(kModeRemove, nullptr, nullptr);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QuickView.Original"));
}

// A marked entry that the walk cannot delete is stepped over; the walk ends
// and still removes the marked entries after it.
TEST_F(QuickViewTest, AnEntryThatCannotBeRemovedDoesNotStopTheWalk) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".aaa", kSystemViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".bmp"));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".zzz"));
    RegistryFaults faults;
    LimitCalls(faults, 5000);
    faults.Fail(reg::Op::DeleteKey, "HKCR\\QuickView\\.bmp");   // nothing of it goes
    faults.Fail(reg::Op::DeleteKey, "HKCR\\QuickView\\.txt");   // its viewer goes, it stays
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    EXPECT_LT(faults.callCount(), 5000u) << "the walk ended by itself";
    EXPECT_EQ(RegTree({{"", {}},
                       {".bmp", {}},
                       {".doc", {}},
                       {std::string(".doc\\") + kOtherViewer, {}},
                       {".txt", {}}}),
              ReadTree(HKEY_CLASSES_ROOT, "QuickView"))
        << Dump(ReadTree(HKEY_CLASSES_ROOT, "QuickView"));
    EXPECT_TRUE(Records().empty());
}

// An entry whose viewers cannot be listed is someone else's business: only
// "no viewer at all" marks an entry, never a failed look.  The walk that
// reads every entry again runs when the save needed its check; otherwise
// the marks come from the save's own reads, and a failed one leaves the
// takeover out altogether.
TEST_F(QuickViewTest, AnEntryThatCannotBeReadStays) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".bmp"));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer));
    SaveThatOnlyACheckFindsWhole();
    {
        RegistryFaults faults;
        FailInTheWalk(faults, reg::Op::EnumKey, "HKCR\\QuickView\\.bmp");
        FailInTheWalk(faults, reg::Op::Open, "HKCR\\QuickView\\.txt");
        EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".bmp")));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer)));
    EXPECT_TRUE(Records().empty());
    {
        RegistryFaults faults;  // the check passes over what it cannot read
        faults.Fail(reg::Op::EnumKey, "HKCR\\QuickView\\.bmp");
        faults.Fail(reg::Op::Open, "HKCR\\QuickView\\.txt");
        EXPECT_EQ(kCheckCorrect, TXRRegQuickView(kModeCheck, nullptr, nullptr));
    }

    // Read by the save itself, a failed listing leaves the save short of the
    // entry's viewer: nothing is taken over, and that is logged.
    DeleteKeyTree(HKEY_CLASSES_ROOT, "QuickView.Original");
    HKEY quickView = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CLASSES_ROOT, "QuickView", 0, KEY_SET_VALUE, &quickView));
    RegDeleteValueA(quickView, "Big");
    RegCloseKey(quickView);
    RegistryFaults faults;
    faults.Fail(reg::Op::EnumKey, "HKCR\\QuickView\\.txt");
    EXPECT_EQ(kRegMinorFailure, TXRRegQuickView(kModeInstall, log_, nullptr));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".bmp")));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer)));
    EXPECT_EQ(1u, Records().size());
}

// The marks taken from the save's reads and those of the walk that reads
// every entry again are the same, and so is what is left.
TEST_F(QuickViewTest, TheWalkAndTheSavesReadsMarkTheSameEntries) {
    auto workstation = [this] {
        CreateKey(HKEY_CLASSES_ROOT, Entry("*", kOtherViewer));
        CreateKey(HKEY_CLASSES_ROOT, Entry(".aaa"));
        CreateKey(HKEY_CLASSES_ROOT, Entry(".bmp", kSystemViewer));  // listed first
        CreateKey(HKEY_CLASSES_ROOT, Entry(".bmp", "{FFFFFFFF-0000-0000-0000-000000000000}"));
        CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));  // listed first
        CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kSystemViewer));
        SetString(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer) + "\\Deep", "v", "1");
        CreateKey(HKEY_CLASSES_ROOT, Entry("Shell\\Open\\Command"));
        CreateKey(HKEY_CLASSES_ROOT, Entry(".zzz"));
    };
    workstation();
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    const RegTree fromTheSave = ReadTree(HKEY_CLASSES_ROOT, "QuickView");
    EXPECT_EQ(RegTree({{"", {}},
                       {".doc", {}},
                       {std::string(".doc\\") + kOtherViewer, {}},
                       {std::string(".doc\\") + kSystemViewer, {}},
                       {"Shell", {}},
                       {"Shell\\Open", {}},
                       {"Shell\\Open\\Command", {}}}),
              fromTheSave)
        << Dump(fromTheSave);

    DeleteKeyTree(HKEY_CLASSES_ROOT, "QuickView");
    DeleteKeyTree(HKEY_CLASSES_ROOT, "QuickView.Original");
    workstation();
    SaveThatOnlyACheckFindsWhole();
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    RegTree fromTheWalk = ReadTree(HKEY_CLASSES_ROOT, "QuickView");
    fromTheWalk[""].erase("Big");
    EXPECT_EQ(fromTheSave, fromTheWalk) << Dump(fromTheWalk);
}

// Names of 128 characters or more are handled like any other: they neither
// end the walk nor pass for "no viewer".
TEST_F(QuickViewTest, LongNamesAreEntriesLikeAnyOther) {
    std::string longExtension = "." + std::string(200, 'a');
    std::string longViewer = "{" + std::string(200, 'v') + "}";
    CreateKey(HKEY_CLASSES_ROOT, Entry(longExtension));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", longViewer));
    CreateKey(HKEY_CLASSES_ROOT, Entry(".zzz"));
    EXPECT_EQ(kCheckWrong, TXRRegQuickView(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Entry(longExtension)));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".doc", longViewer)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Entry(".zzz")));
    EXPECT_EQ(kCheckCorrect, TXRRegQuickView(kModeCheck, nullptr, nullptr));
}

TEST_F(QuickViewTest, TakeoverReadsWithReadAccessAndOpensForWritingOnlyWhatItDeletes) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));
    {
        // One opening of QuickView and of each entry serves the saved copy
        // and the takeover, for reading: an entry the user may not write
        // is saved and kept.  A save that saw everything arrive is not read
        // back.
        RegistryFaults faults;
        faults.FailWhen([](const reg::Call& call) {
            return call.op == reg::Op::Open && (call.access & KEY_SET_VALUE) &&
                   EndsWithNoCase(reg::Describe(call), "QuickView\\.doc");
        });
        EXPECT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
        EXPECT_EQ(std::vector<REGSAM>{KEY_READ}, AccessAskedFor(faults, reg::Op::Open, "HKCR\\QuickView"));
        EXPECT_EQ(std::vector<REGSAM>{KEY_READ}, AccessAskedFor(faults, reg::Op::Open, "QuickView\\.doc"));
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("QuickView.Original\\.doc\\") + kOtherViewer));
    }
    {
        // A save that needed its check reads with read access, and the walk
        // opens the entries for their test and deletion with full access.
        DeleteKeyTree(HKEY_CLASSES_ROOT, "QuickView.Original");
        SaveThatOnlyACheckFindsWhole();
        RegistryFaults faults;
        TXRRegQuickView(kModeInstall, log_, nullptr);
        EXPECT_EQ(std::vector<REGSAM>({KEY_READ, KEY_READ, kFull}),
                  AccessAskedFor(faults, reg::Op::Open, "QuickView\\.doc"));
    }
    RegistryFaults checking;
    TXRRegQuickView(kModeCheck, nullptr, nullptr);
    EXPECT_EQ(std::vector<REGSAM>{KEY_READ},
              AccessAskedFor(checking, reg::Op::Open, "HKCR\\QuickView"));
    EXPECT_EQ(std::vector<REGSAM>{KEY_READ},
              AccessAskedFor(checking, reg::Op::Open, "QuickView\\.doc"));
}

// An entry that arrives in the saved copy while it is merged back is not
// lost with it: the copy sees it did not get everything, and the saved copy
// stays.
TEST_F(QuickViewTest, AnEntryAddedToTheSavedCopyDuringItsRestoreKeepsTheCopy) {
    SetString(HKEY_CLASSES_ROOT, "QuickView", "", "Quick View");
    CreateKey(HKEY_CLASSES_ROOT, Entry(".txt", kSystemViewer));
    ASSERT_EQ(kRegDone, TXRRegQuickView(kModeInstall, log_, nullptr));
    RegistryFaults faults;
    faults.FailWhen([added = false](const reg::Call& call) mutable {
        if (!added && call.op == reg::Op::EnumValue && EndsWithNoCase(call.keyPath, "QuickView.Original")) {
            added = true;
            CreateKey(HKEY_CLASSES_ROOT, "QuickView.Original\\.late");
        }
        return false;
    });
    TXRRegQuickView(kModeRemove, nullptr, nullptr);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "QuickView.Original\\.late"));
}

// --- TXRRegQuickViewOther ---

class QuickViewOtherTest : public QuickViewTest {
protected:
    void FileTypes() {
        SetString(HKEY_CLASSES_ROOT, "txtfile\\QuickView", "", "*");
        SetString(HKEY_CLASSES_ROOT, "txtfile\\QuickView\\Extra", "Setting", "kept");
        SetString(HKEY_CLASSES_ROOT, "docfile\\QuickView", "", kSystemViewer);
        SetString(HKEY_CLASSES_ROOT, "bmpfile\\QuickView", "", kFileViewer);
        SetString(HKEY_CLASSES_ROOT, "wrifile\\QuickView", "",
                  "{f0f08735-0c36-101b-b086-0020af07d0f4}");
        SetString(HKEY_CLASSES_ROOT, "rtffile\\QuickView", "", "");
        CreateKey(HKEY_CLASSES_ROOT, "nodefault\\QuickView");
        SetString(HKEY_CLASSES_ROOT, "longvalue\\QuickView", "", std::string(128, 'x'));
        SetString(HKEY_CLASSES_ROOT, "fitsvalue\\QuickView", "", std::string(127, 'x'));
        SetString(HKEY_CLASSES_ROOT, ".txt\\QuickView", "", "*");
        CreateKey(HKEY_CLASSES_ROOT, "plainfile\\shell\\open\\command");
    }
};

TEST_F(QuickViewOtherTest, RedundantSubkeysMoveAsideAndBack) {
    FileTypes();
    RegTree before = ReadTree(HKEY_CLASSES_ROOT, "");
    EXPECT_EQ(kCheckWrong, TXRRegQuickViewOther(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kRegDone, TXRRegQuickViewOther(kModeInstall, log_, nullptr));

    for (const char* moved : {"txtfile", "docfile", "rtffile", "fitsvalue", ".txt"}) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string(moved) + "\\QuickView")) << moved;
        EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, std::string(moved) + "\\QuickView.Original"),
                  Subtree(before, std::string(moved) + "\\QuickView"))
            << moved;
    }
    for (const char* kept : {"bmpfile", "wrifile", "nodefault", "longvalue"}) {
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string(kept) + "\\QuickView")) << kept;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string(kept) + "\\QuickView.Original"))
            << kept;
    }
    EXPECT_EQ(kCheckCorrect, TXRRegQuickViewOther(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kRegDone, TXRRegQuickViewOther(kModeInstall, log_, nullptr)) << "again";

    TXRRegQuickViewOther(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(before, ReadTree(HKEY_CLASSES_ROOT, ""));
    EXPECT_EQ(kCheckWrong, TXRRegQuickViewOther(kModeCheck, nullptr, nullptr));
    EXPECT_TRUE(Records().empty());
}

TEST_F(QuickViewOtherTest, ASubkeyWhoseCopyFailsStaysInPlace) {
    SetString(HKEY_CLASSES_ROOT, "txtfile\\QuickView", "", "*");
    SetString(HKEY_CLASSES_ROOT, "docfile\\QuickView", "", "*");
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "txtfile\\QuickView.Original");
        EXPECT_EQ(kRegDone, TXRRegQuickViewOther(kModeInstall, log_, nullptr));
    }
    EXPECT_EQ("*", GetString(HKEY_CLASSES_ROOT, "txtfile\\QuickView", ""));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "docfile\\QuickView"));
    EXPECT_TRUE(Records().empty());

    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "docfile\\QuickView");
        TXRRegQuickViewOther(kModeRemove, nullptr, nullptr);
    }
    EXPECT_EQ("*", GetString(HKEY_CLASSES_ROOT, "docfile\\QuickView.Original", ""))
        << "a saved subkey that cannot be put back stays saved";
    TXRRegQuickViewOther(kModeRemove, nullptr, nullptr);
    EXPECT_EQ("*", GetString(HKEY_CLASSES_ROOT, "docfile\\QuickView", ""));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "docfile\\QuickView.Original"));
}

TEST_F(QuickViewOtherTest, CheckStopsAtTheFirstRedundantSubkey) {
    SetString(HKEY_CLASSES_ROOT, "aaafile\\QuickView", "", "*");
    SetString(HKEY_CLASSES_ROOT, "zzzfile\\QuickView", "", "*");
    RegistryFaults faults;
    EXPECT_EQ(kCheckWrong, TXRRegQuickViewOther(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(std::vector<REGSAM>{KEY_READ},
              AccessAskedFor(faults, reg::Op::Open, "aaafile\\QuickView"));
    EXPECT_TRUE(AccessAskedFor(faults, reg::Op::Open, "zzzfile\\QuickView").empty());
}

TEST_F(QuickViewOtherTest, LongTypeNamesDoNotEndTheWalk) {
    std::string longType = std::string(200, 'a') + "file";
    SetString(HKEY_CLASSES_ROOT, longType + "\\QuickView", "", "*");
    SetString(HKEY_CLASSES_ROOT, "zzzfile\\QuickView", "", "*");
    EXPECT_EQ(kRegDone, TXRRegQuickViewOther(kModeInstall, log_, nullptr));
    EXPECT_EQ("*", GetString(HKEY_CLASSES_ROOT, longType + "\\QuickView.Original", ""));
    EXPECT_EQ("*", GetString(HKEY_CLASSES_ROOT, "zzzfile\\QuickView.Original", ""));
    TXRRegQuickViewOther(kModeRemove, nullptr, nullptr);
    EXPECT_EQ("*", GetString(HKEY_CLASSES_ROOT, longType + "\\QuickView", ""));
}

// --- TXRRegQuickViewDefault ---

TEST_F(QuickViewTest, TheProductsViewerServesAllFiles) {
    RegistryFaults faults;
    EXPECT_EQ(kRegDone, TXRRegQuickViewDefault(kModeInstall, log_, nullptr));
    EXPECT_EQ("Orbisel", GetString(HKEY_CLASSES_ROOT, "QuickView", ""));
    EXPECT_EQ(RegTree({{"", {{"", Sz("Orbisel")}}}}),
              ReadTree(HKEY_CLASSES_ROOT, kDefaultViewerKey));
    EXPECT_EQ("Corvel", KeyClass(HKEY_CLASSES_ROOT, kDefaultViewerKey));
    EXPECT_EQ(std::vector<REGSAM>{kFull},
              AccessAskedFor(faults, reg::Op::Create, kDefaultViewerKey));
    EXPECT_EQ(kCheckCorrect, TXRRegQuickViewDefault(kModeCheck, nullptr, nullptr));

    SetString(HKEY_CLASSES_ROOT, kDefaultViewerKey, "", "ORBISEL");
    EXPECT_EQ(kCheckWrong, TXRRegQuickViewDefault(kModeCheck, nullptr, nullptr));

    CreateKey(HKEY_CLASSES_ROOT, Entry("*", kSystemViewer));
    TXRRegQuickViewDefault(kModeRemove, nullptr, nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDefaultViewerKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry("*", kSystemViewer)));
    EXPECT_EQ("Orbisel", GetString(HKEY_CLASSES_ROOT, "QuickView", ""));
}

TEST_F(QuickViewTest, QuickViewsNameIsANicetyThatLogsNothing) {
    RegistryFaults faults;
    faults.Fail(reg::Op::SetValue, "HKCR\\QuickView");
    EXPECT_EQ(kRegDone, TXRRegQuickViewDefault(kModeInstall, log_, nullptr));
    EXPECT_FALSE(GetValue(HKEY_CLASSES_ROOT, "QuickView", ""));
    faults.Fail(reg::Op::Create, "HKCR\\QuickView");
    EXPECT_EQ(kRegDone, TXRRegQuickViewDefault(kModeInstall, log_, nullptr));
    EXPECT_EQ("Orbisel", GetString(HKEY_CLASSES_ROOT, kDefaultViewerKey, ""));
    EXPECT_TRUE(Records().empty());
}

// --- TXRRegQuickViewCommand ---

TEST_F(QuickViewTest, TheOpenCommandKeyIsMadeEmpty) {
    EXPECT_EQ(kCheckWrong, TXRRegQuickViewCommand(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kRegDone, TXRRegQuickViewCommand(kModeInstall, log_, nullptr));
    EXPECT_EQ(RegTree({{"", {}}}), ReadTree(HKEY_CLASSES_ROOT, kCommandKey));
    EXPECT_EQ("Corvel", KeyClass(HKEY_CLASSES_ROOT, kCommandKey));
    EXPECT_EQ(kCheckCorrect, TXRRegQuickViewCommand(kModeCheck, nullptr, nullptr));
}

// The uninstall takes back what install made: the empty command key and
// the keys above it while they are empty, never a command of someone else.
TEST_F(QuickViewTest, RemovalTakesOnlyEmptyCommandKeys) {
    CreateKey(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer));
    TXRRegQuickViewCommand(kModeInstall, log_, nullptr);
    TXRRegQuickViewCommand(kModeRemove, nullptr, nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QuickView\\Shell"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Entry(".doc", kOtherViewer)));

    SetString(HKEY_CLASSES_ROOT, kCommandKey, "", "NAVIGATOR.EXE %1");
    TXRRegQuickViewCommand(kModeInstall, log_, nullptr);
    TXRRegQuickViewCommand(kModeRemove, nullptr, nullptr);
    EXPECT_EQ("NAVIGATOR.EXE %1", GetString(HKEY_CLASSES_ROOT, kCommandKey, ""));

    RegDeleteKeyA(HKEY_CLASSES_ROOT, kCommandKey);
    CreateKey(HKEY_CLASSES_ROOT, "QuickView\\Shell\\Print\\Command");
    TXRRegQuickViewCommand(kModeInstall, log_, nullptr);
    TXRRegQuickViewCommand(kModeRemove, nullptr, nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QuickView\\Shell\\Open"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "QuickView\\Shell\\Print\\Command"));
}

}  // namespace
}  // namespace txr::test
