#include "tests/support/workstation.h"

#include <windows.h>

#include <cstring>
#include <random>

namespace txr::test {

const char* const kExchangeVerbKeys[2] = {
    "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2",
    "CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3",
};

namespace {

constexpr const char* kSystemViewer = "{F0F08735-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kProductViewer = "{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr const char* kOtherViewer = "{0A0B0C0D-1111-2222-3333-444455556666}";
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

}  // namespace

RegTree AllowingMissingLeftovers(const RegTree& before, RegTree expected, const RegTree& actual) {
    for (auto key = expected.begin(); key != expected.end();) {
        auto was = before.find(key->first);
        auto is = actual.find(key->first);
        if (was == before.end()) {
            if (is == actual.end()) {
                key = expected.erase(key);
                continue;
            }
        } else {
            for (auto value = key->second.begin(); value != key->second.end();) {
                auto wasValue = was->second.find(value->first);
                bool actualAsBefore =
                    is != actual.end() &&
                    ((wasValue == was->second.end() && !is->second.count(value->first)) ||
                     (wasValue != was->second.end() && is->second.count(value->first) &&
                      is->second.at(value->first) == wasValue->second));
                if (actualAsBefore && (wasValue == was->second.end() || value->second != wasValue->second)) {
                    if (wasValue == was->second.end()) {
                        value = key->second.erase(value);
                        continue;
                    }
                    value->second = wasValue->second;
                }
                ++value;
            }
        }
        ++key;
    }
    return expected;
}

RegTree ExpectedClassesAfterUninstall(RegTree tree) {
    // 1. The Quick View key's leftovers.
    if (!tree.count("QuickView") || !tree["QuickView"].count("")) {
        tree["QuickView"][""] = Sz("Orbisel");
    }
    AddKeyChain(tree, "QuickView\\*");
    // 2. Exchange verbs back in their standard spelling.
    for (const char* key : kExchangeVerbKeys) {
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
        {kExchangeVerbKeys[0], {{"", Sz("&Quick View,0,2")}}},
        {kExchangeVerbKeys[1], {{"", Sz("&Quick View, 0, 2")}}},
        {kWordMailKey, {{"", Sz("&Quick View, 0, 2")}}},
        {"CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\1", {{"", Binary({'&', 'Q'})}}},
    });
    std::string shared = std::string(kCurrentVersion) + "\\SharedDLLs";
    SetDword(HKEY_LOCAL_MACHINE, shared, installPath + "PROGRAM\\TXR.DLL", 1);
    SetDword(HKEY_LOCAL_MACHINE, shared, "C:\\WINDOWS\\SYSTEM\\MFC42.DLL", 4);
    SetString(HKEY_LOCAL_MACHINE, "Software\\Other Vendor\\Product", "Version", "1.0");
}

// Random workstations: Quick View entries of every kind, file types with
// Quick View subkeys of both kinds, Exchange verbs of several types and
// texts, unrelated keys, shared files inside and outside the product.
void RandomWorkstation(unsigned seed, const std::string& installPath) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto name = [&](const char* stem) { return std::string(stem) + std::to_string(random() % 1000); };
    const char* viewers[] = {kSystemViewer, kOtherViewer, kProductViewer};
    // Text stored without its terminating zero, which the registry keeps
    // byte for byte.
    auto unterminated = [&] {
        const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ};
        return Binary({'o', 'd', 'd'}, types[pick(3)]);
    };
    RegTree classes;
    if (pick(4) != 0) {
        if (pick(2)) classes["QuickView"][""] = Sz("Quick View");
        if (pick(3) == 0) classes["QuickView"]["Odd"] = unterminated();
        for (int i = pick(8); i > 0; --i) {
            std::string entry = "QuickView\\." + name("e");
            switch (pick(3)) {
            case 0: classes[entry]; break;
            case 1: classes[entry + "\\" + viewers[pick(3)]][""] = Sz("viewer"); break;
            default:
                classes[entry + "\\" + viewers[pick(3)]]["Extra"] =
                    pick(2) ? Dword(random()) : unterminated();
                break;
            }
        }
        if (pick(2)) classes["QuickView\\*\\" + std::string(viewers[pick(2)])][""] = Sz("all");
    }
    for (int i = pick(12); i > 0; --i) {
        std::string type = name("type");
        const char* values[] = {"*", kSystemViewer, kOtherViewer, kProductViewer, "", "text"};
        if (pick(3)) classes[type + "\\QuickView"][""] = Sz(values[pick(6)]);
        else classes[type + "\\QuickView"]["NotDefault"] = Sz("x");
        if (pick(2)) classes[type + "\\QuickView\\Sub"]["v"] = pick(2) ? Dword(random()) : unterminated();
        if (pick(2)) classes[type][""] = Sz("A file type");
    }
    for (int i = pick(6); i > 0; --i) classes[name("Unrelated") + "\\shell"]["v"] = Sz("x");
    const char* verbs[] = {"&Quick View,0,2", "&Quick View, 0, 2", "&QuickLook", "&Orbisel, 0, 2",
                           "Open", "&Q"};
    for (const char* key : {kExchangeVerbKeys[0], kExchangeVerbKeys[1], kWordMailKey}) {
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

}  // namespace txr::test
