// The one door through which the library reaches the registry.
//
// Every registry call of the library goes through these wrappers.  By default
// each forwards to the matching Win32 call unchanged.  A test may install a
// fault hook: it sees every call (operation, path of the key it works on, the
// subkey or value name) before the platform does, and may answer it with an
// error status instead, so that any single call of any sequence can be made
// to fail.  A failed close still closes the handle; only the status is forged.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace txr::reg {

enum class Op {
    Open,        // RegOpenKeyExA
    Create,      // RegCreateKeyExA
    QueryValue,  // RegQueryValueExA
    SetValue,    // RegSetValueExA
    EnumKey,     // RegEnumKeyExA
    EnumValue,   // RegEnumValueA
    QueryInfo,   // RegQueryInfoKeyA
    DeleteKey,   // RegDeleteKeyA
    DeleteValue, // RegDeleteValueA
    Close,       // RegCloseKey
};

// What a hook is told about one call.  keyPath is the path of the key the
// call works on, spelled from its root ("HKLM\Software\Corvel"); for Open,
// Create and DeleteKey it is the path of the parent and name is the subkey.
// For value calls name is the value name ("" for the default value).  Keys
// opened while no hook was installed have the path "?".
struct Call {
    Op op;
    std::string keyPath;
    std::string name;
    DWORD index;  // enumeration index for EnumKey / EnumValue, else 0
    REGSAM access = 0;  // rights asked for by Open / Create, else 0
};

// Returns ERROR_SUCCESS to let the call through, or the status to report
// instead of making the call.
using FaultHook = std::function<LONG(const Call&)>;

// Installs (or, with an empty function, removes) the fault hook.  Removing
// it also forgets the key paths noted while it was installed.
void SetFaultHook(FaultHook hook);

// The full path of a call's key with its name, for matching in hooks:
// "HKCR\*\shellex\ContextMenuHandlers\OrbiselMenu".
std::string Describe(const Call& call);

LONG Open(HKEY parent, const char* subkey, REGSAM access, HKEY* result);
LONG Create(HKEY parent, const char* subkey, const char* keyClass, REGSAM access,
            HKEY* result, DWORD* disposition = nullptr);
LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size);
LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength);
LONG EnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* type,
               BYTE* data, DWORD* dataLength);
LONG QueryInfo(HKEY key, DWORD* subkeyCount, DWORD* valueCount);
LONG DeleteKey(HKEY parent, const char* subkey);
LONG DeleteValue(HKEY key, const char* name);
LONG Close(HKEY key);

// Convenience: a REG_SZ value stored with its terminator.
LONG SetString(HKEY key, const char* name, const char* text);
// Convenience: a REG_DWORD value.
LONG SetDword(HKEY key, const char* name, DWORD value);

// Owns one open key and closes it through the seam when it goes out of
// scope.  Close() closes at once and hands back the status for callers that
// report failed closes.
class Key {
public:
    Key() = default;
    explicit Key(HKEY key) : key_(key) {}
    ~Key() { Close(); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    Key(Key&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    Key& operator=(Key&& other) noexcept {
        if (this != &other) { Close(); key_ = other.key_; other.key_ = nullptr; }
        return *this;
    }

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    // For the out parameter of Open/Create; the key must be empty.
    HKEY* receive() { Close(); return &key_; }
    // Closes the key; ERROR_SUCCESS when there was none.
    LONG Close() {
        if (!key_) return ERROR_SUCCESS;
        HKEY key = key_;
        key_ = nullptr;
        return reg::Close(key);
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace txr::reg
