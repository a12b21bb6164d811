// Install then uninstall on realistic workstations leaves HKEY_CLASSES_ROOT
// and HKEY_LOCAL_MACHINE as they were, apart from what the design itself
// leaves behind.  Those leftovers are applied to the "before" picture by
// ExpectedAfterUninstall, each with the reason it stays:
//
//  1. HKCR "QuickView" keeps the default value "Orbisel" when it had none,
//     and an empty "*" subkey when it had none: the Quick View takeover
//     writes them, and its removal only puts the saved copy back (a merge)
//     and removes the product's own viewer entry below "*".  Without any
//     "QuickView" key before, the key stays with exactly these.
//  2. An Exchange menu verb that began with "&Quic" (or already "&Orbis")
//     comes back as the standard text: "&Quick View,0,2" for the two
//     Exchange keys, "&Quick View, 0, 2" for the WordMail key.  The
//     original spelling is not saved.
//  3. Parent keys that the registrations created stay, empty:
//     "*\shellex\ContextMenuHandlers" and "CLSID" below HKCR; "Uninstall",
//     "App Paths" and "Shell Extensions\Approved" below HKLM's
//     CurrentVersion.
//  4. SharedDLLs entries below the installation path are deleted: that is
//     the uninstall's purpose, not a loss.
//
// The saved copies are made with values of at most 256 bytes and names of
// fewer than 80 characters; the fixtures stay within those limits (a larger
// value would not survive the round trip).
#include "setup/install_engine.h"

#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <cstring>
#include <random>
#include <string>

namespace txr::test {
namespace {

constexpr const char* kSystemViewer = "{F0F08735-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kProductViewer = "{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kOtherViewer = "{0A0B0C0D-1111-2222-3333-444455556666}";
constexpr const char* kExchangeKeys[] = {
    "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2",
    "CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3",
};
constexpr const char* kWordMailKey = "CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2";
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

void AddKeyChain(RegTree& tree, const std::string& path) {
    for (std::size_t at = 0; at != std::string::npos;) {
        at = path.find('\\', at + 1);
        tree[path.substr(0, at)];  // creates the key when missing, keeps its values
    }
}

bool StartsWith(const RegValue& value, const char* prefix) {
    std::size_t length = std::strlen(prefix);
    return value.type == REG_SZ && value.data.size() >= length &&
           std::equal(prefix, prefix + length, value.data.begin());
}

RegTree ExpectedClassesAfterUninstall(RegTree tree) {
    // 1. The Quick View key's leftovers.
    if (!tree.count("QuickView") || !tree["QuickView"].count("")) {
        tree["QuickView"][""] = Sz("Orbisel");
    }
    AddKeyChain(tree, "QuickView\\*");
    // 2. Exchange verbs back in their standard spelling.
    for (const char* key : kExchangeKeys) {
        auto found = tree.find(key);
        if (found == tree.end() || !found->second.count("")) continue;
        RegValue& verb = found->second[""];
        if (StartsWith(verb, "&Quic") || StartsWith(verb, "&Orbis")) verb = Sz("&Quick View,0,2");
    }
    auto word = tree.find(kWordMailKey);
    if (word != tree.end() && word->second.count("")) {
        RegValue& verb = word->second[""];
        if (StartsWith(verb, "&Quick") || StartsWith(verb, "&Orbis")) verb = Sz("&Quick View, 0, 2");
    }
    // 3. Parents of the registrations' keys.
    AddKeyChain(tree, "*\\shellex\\ContextMenuHandlers");
    AddKeyChain(tree, "CLSID");
    tree.erase("");
    tree[""];
    return tree;
}

RegTree ExpectedMachineAfterUninstall(RegTree tree, const std::string& installPath) {
    std::string current = kCurrentVersion;
    AddKeyChain(tree, current + "\\Uninstall");
    AddKeyChain(tree, current + "\\App Paths");
    AddKeyChain(tree, current + "\\Shell Extensions\\Approved");
    // 4. The product's shared files are no longer counted.
    auto found = tree.find(current + "\\SharedDLLs");
    if (found == tree.end()) return tree;
    auto& shared = found->second;
    for (auto it = shared.begin(); it != shared.end();) {
        bool ours = it->first.size() >= installPath.size() &&
                    lstrcmpiA(it->first.substr(0, installPath.size()).c_str(),
                              installPath.c_str()) == 0;
        it = ours ? shared.erase(it) : std::next(it);
    }
    return tree;
}

class NothingLostTest : public LibraryTest {
protected:
    NothingLostTest() {
        WriteFile(server_ / "SUPPORT\\QUIKVIEW.EXE", "product viewer");
        std::string root = server_.path();
        lstrcpynA(Library().setupDirectory, root.c_str(), kPathSize);
    }

    // Install and uninstall; returns false (with a message) on a difference.
    void RoundTrip(const std::string& label) {
        RegTree classesBefore = ReadTree(HKEY_CLASSES_ROOT, "");
        RegTree machineBefore = ReadTree(HKEY_LOCAL_MACHINE, "");
        ResetInstallPathToSetupDirectory();
        ASSERT_EQ(1, InstallFromServer()) << label;
        ASSERT_EQ(0, UninstallWorkstation()) << label;
        RegTree classesAfter = ReadTree(HKEY_CLASSES_ROOT, "");
        RegTree machineAfter = ReadTree(HKEY_LOCAL_MACHINE, "");
        RegTree classesExpected = ExpectedClassesAfterUninstall(classesBefore);
        RegTree machineExpected = ExpectedMachineAfterUninstall(machineBefore, server_.path());
        EXPECT_EQ(classesExpected, classesAfter)
            << label << "\nexpected:\n" << Dump(classesExpected) << "actual:\n" << Dump(classesAfter);
        EXPECT_EQ(machineExpected, machineAfter)
            << label << "\nexpected:\n" << Dump(machineExpected) << "actual:\n" << Dump(machineAfter);
    }

    ScratchFolder server_;
    ScriptedPrompts prompts_;
};

void RealisticWorkstation(const std::string& installPath) {
    WriteTree(HKEY_CLASSES_ROOT, "QuickView", {
        {"", {{"", Sz("Quick View")}}},
        {".txt", {}},
        {".txt\\" + std::string(kSystemViewer), {{"", Sz("Text")}}},
        {".doc\\" + std::string(kSystemViewer), {{"", Sz("Word")}}},
        {".xyz\\" + std::string(kOtherViewer), {{"", Sz("Other viewer")}}},
        {".bmp", {}},
        {"*\\" + std::string(kSystemViewer), {{"", Sz("All files")}}},
    });
    WriteTree(HKEY_CLASSES_ROOT, "", {
        {"txtfile\\QuickView", {{"", Sz("*")}}},
        {"docfile\\QuickView", {{"", Sz(kSystemViewer)}}},
        {"xyzfile\\QuickView", {{"", Sz(kOtherViewer)}}},
        {"prdfile\\QuickView", {{"", Sz(kProductViewer)}}},
        {"nodefault\\QuickView", {{"Other", Sz("x")}}},
        {".txt", {{"", Sz("txtfile")}}},
        {"Unrelated\\shell\\open\\command", {{"", Sz("notepad.exe %1")}}},
        {kExchangeKeys[0], {{"", Sz("&Quick View,0,2")}}},
        {kExchangeKeys[1], {{"", Sz("&Quick View, 0, 2")}}},
        {kWordMailKey, {{"", Sz("&Quick View, 0, 2")}}},
        {"CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\1", {{"", Binary({'&', 'Q'})}}},
    });
    std::string shared = std::string(kCurrentVersion) + "\\SharedDLLs";
    SetDword(HKEY_LOCAL_MACHINE, shared, installPath + "PROGRAM\\TXR.DLL", 1);
    SetDword(HKEY_LOCAL_MACHINE, shared, "C:\\WINDOWS\\SYSTEM\\MFC42.DLL", 4);
    SetString(HKEY_LOCAL_MACHINE, "Software\\Other Vendor\\Product", "Version", "1.0");
}

TEST_F(NothingLostTest, ARealisticWorkstation) {
    RealisticWorkstation(server_.path());
    RoundTrip("realistic workstation");
    EXPECT_EQ("&Quick View,0,2", GetString(HKEY_CLASSES_ROOT, kExchangeKeys[1], ""))
        << "leftover 2: the standard spelling comes back";
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(NothingLostTest, AnEmptyWorkstation) { RoundTrip("empty workstation"); }

// Random workstations: Quick View entries of every kind, file types with
// Quick View subkeys of both kinds, Exchange verbs of several types and
// texts, unrelated keys, shared files inside and outside the product.
void RandomWorkstation(unsigned seed, const std::string& installPath) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto name = [&](const char* stem) { return std::string(stem) + std::to_string(random() % 1000); };
    const char* viewers[] = {kSystemViewer, kOtherViewer, kProductViewer};
    RegTree classes;
    if (pick(4) != 0) {
        if (pick(2)) classes["QuickView"][""] = Sz("Quick View");
        for (int i = pick(8); i > 0; --i) {
            std::string entry = "QuickView\\." + name("e");
            switch (pick(3)) {
            case 0: classes[entry]; break;
            case 1: classes[entry + "\\" + viewers[pick(3)]][""] = Sz("viewer"); break;
            default: classes[entry + "\\" + viewers[pick(3)]]["Extra"] = Dword(random()); break;
            }
        }
        if (pick(2)) classes["QuickView\\*\\" + std::string(viewers[pick(2)])][""] = Sz("all");
    }
    for (int i = pick(12); i > 0; --i) {
        std::string type = name("type");
        const char* values[] = {"*", kSystemViewer, kOtherViewer, kProductViewer, "", "text"};
        if (pick(3)) classes[type + "\\QuickView"][""] = Sz(values[pick(6)]);
        else classes[type + "\\QuickView"]["NotDefault"] = Sz("x");
        if (pick(2)) classes[type + "\\QuickView\\Sub"]["v"] = Dword(random());
        if (pick(2)) classes[type][""] = Sz("A file type");
    }
    for (int i = pick(6); i > 0; --i) classes[name("Unrelated") + "\\shell"]["v"] = Sz("x");
    const char* verbs[] = {"&Quick View,0,2", "&Quick View, 0, 2", "&QuickLook", "&Orbisel, 0, 2",
                           "Open", "&Q"};
    for (const char* key : {kExchangeKeys[0], kExchangeKeys[1], kWordMailKey}) {
        switch (pick(4)) {
        case 0: break;
        case 1: classes[key]; break;
        case 2: classes[key][""] = Sz(verbs[pick(6)]); break;
        default: classes[key][""] = Binary({'&', 'Q', 'u', 'i', 'c', 'k'}, REG_BINARY); break;
        }
    }
    WriteTree(HKEY_CLASSES_ROOT, "", classes);
    std::string shared = std::string(kCurrentVersion) + "\\SharedDLLs";
    for (int i = pick(5); i > 0; --i) {
        SetDword(HKEY_LOCAL_MACHINE, shared,
                 (pick(2) ? installPath : std::string("C:\\APPS\\")) + name("F") + ".DLL", 1);
    }
}

TEST_F(NothingLostTest, ThreeHundredRandomWorkstations) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        RegistryRedirect fresh;
        RandomWorkstation(seed, server_.path());
        RoundTrip("seed " + std::to_string(seed));
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace txr::test
