// Small helpers to build, read and compare registry trees in tests.  They
// call the platform directly, never the library's registry layer, so that
// what they see is what the registry holds.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace txr::test {

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    bool operator==(const RegValue& other) const {
        return type == other.type && data == other.data;
    }
    bool operator!=(const RegValue& other) const { return !(*this == other); }
};

// A subtree flattened: key path (relative, "" for the root) to its values
// (name "" is the default value).  Every key appears, also without values.
using RegTree = std::map<std::string, std::map<std::string, RegValue>>;

RegValue Sz(const std::string& text);  // REG_SZ with its terminator
RegValue Dword(DWORD value);
RegValue Binary(const std::vector<BYTE>& bytes, DWORD type = REG_BINARY);

// Creates root\path (and its parents) and sets one value.
void SetValue(HKEY root, const std::string& path, const std::string& name,
              const RegValue& value);
void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& text);
void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
// Creates root\path without values.
void CreateKey(HKEY root, const std::string& path);

bool KeyExists(HKEY root, const std::string& path);
std::optional<RegValue> GetValue(HKEY root, const std::string& path, const std::string& name);
// The value as text (REG_SZ data up to its terminator), if it exists.
std::optional<std::string> GetString(HKEY root, const std::string& path,
                                     const std::string& name);
std::optional<DWORD> GetDword(HKEY root, const std::string& path, const std::string& name);

// Reads root\path and everything below it; empty when it does not exist.
RegTree ReadTree(HKEY root, const std::string& path);
// Writes a tree below root\path.
void WriteTree(HKEY root, const std::string& path, const RegTree& tree);

// One line per key and value, for failure messages.
std::string Dump(const RegTree& tree);

}  // namespace txr::test
