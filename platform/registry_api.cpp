#include "platform/registry_api.h"

#include <cstring>
#include <map>
#include <utility>

namespace txr::reg {
namespace {

FaultHook& Hook() {
    static FaultHook hook;
    return hook;
}

// Paths of keys opened while a hook is installed, so that the hook can tell
// which key a close or a value write works on.
std::map<HKEY, std::string>& Paths() {
    static std::map<HKEY, std::string> paths;
    return paths;
}

std::string PathOf(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return "HKCR";
    if (key == HKEY_CURRENT_USER) return "HKCU";
    if (key == HKEY_LOCAL_MACHINE) return "HKLM";
    if (key == HKEY_USERS) return "HKU";
    auto it = Paths().find(key);
    return it == Paths().end() ? std::string("?") : it->second;
}

// Asks the hook about a call; ERROR_SUCCESS means "go ahead".
LONG Ask(Op op, HKEY key, const char* name, DWORD index = 0, REGSAM access = 0) {
    if (!Hook()) return ERROR_SUCCESS;
    Call call{op, PathOf(key), name ? name : "", index, access};
    return Hook()(call);
}

void NoteOpened(HKEY parent, const char* subkey, HKEY opened) {
    if (!Hook() || !opened) return;
    std::string path = PathOf(parent);
    if (subkey && *subkey) path += std::string("\\") + subkey;
    Paths()[opened] = std::move(path);
}

}  // namespace

void SetFaultHook(FaultHook hook) {
    Hook() = std::move(hook);
    if (!Hook()) Paths().clear();
}

std::string Describe(const Call& call) {
    if (call.name.empty()) return call.keyPath;
    return call.keyPath + "\\" + call.name;
}

LONG Open(HKEY parent, const char* subkey, REGSAM access, HKEY* result) {
    if (LONG forged = Ask(Op::Open, parent, subkey, 0, access)) {
        *result = nullptr;
        return forged;
    }
    LONG status = RegOpenKeyExA(parent, subkey, 0, access, result);
    if (status == ERROR_SUCCESS) NoteOpened(parent, subkey, *result);
    else *result = nullptr;
    return status;
}

LONG Create(HKEY parent, const char* subkey, const char* keyClass, REGSAM access,
            HKEY* result, DWORD* disposition) {
    if (LONG forged = Ask(Op::Create, parent, subkey, 0, access)) {
        *result = nullptr;
        return forged;
    }
    LONG status = RegCreateKeyExA(parent, subkey, 0, const_cast<char*>(keyClass),
                                  REG_OPTION_NON_VOLATILE, access, nullptr, result,
                                  disposition);
    if (status == ERROR_SUCCESS) NoteOpened(parent, subkey, *result);
    else *result = nullptr;
    return status;
}

LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    if (LONG forged = Ask(Op::QueryValue, key, name)) return forged;
    return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    if (LONG forged = Ask(Op::SetValue, key, name)) return forged;
    return RegSetValueExA(key, name, 0, type, data, size);
}

LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) {
    if (LONG forged = Ask(Op::EnumKey, key, nullptr, index)) return forged;
    return RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LONG EnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* type,
               BYTE* data, DWORD* dataLength) {
    if (LONG forged = Ask(Op::EnumValue, key, nullptr, index)) return forged;
    return RegEnumValueA(key, index, name, nameLength, nullptr, type, data, dataLength);
}

LONG QueryInfo(HKEY key, DWORD* subkeyCount, DWORD* valueCount) {
    if (LONG forged = Ask(Op::QueryInfo, key, nullptr)) return forged;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeyCount, nullptr, nullptr,
                            valueCount, nullptr, nullptr, nullptr, nullptr);
}

LONG DeleteKey(HKEY parent, const char* subkey) {
    if (LONG forged = Ask(Op::DeleteKey, parent, subkey)) return forged;
    return RegDeleteKeyA(parent, subkey);
}

LONG DeleteValue(HKEY key, const char* name) {
    if (LONG forged = Ask(Op::DeleteValue, key, name)) return forged;
    return RegDeleteValueA(key, name);
}

LONG Close(HKEY key) {
    LONG forged = Ask(Op::Close, key, nullptr);
    if (Hook()) Paths().erase(key);
    LONG status = RegCloseKey(key);
    return forged ? forged : status;
}

LONG SetString(HKEY key, const char* name, const char* text) {
    return SetValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text),
                    static_cast<DWORD>(std::strlen(text) + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
    return SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                    sizeof value);
}

}  // namespace txr::reg
