#include "tests/support/registry_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace txr::test {

RegValue Sz(const std::string& text) {
    RegValue value{REG_SZ, {}};
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

RegValue Dword(DWORD number) {
    RegValue value{REG_DWORD, std::vector<BYTE>(4)};
    std::memcpy(value.data.data(), &number, 4);
    return value;
}

RegValue Binary(const std::vector<BYTE>& bytes, DWORD type) { return RegValue{type, bytes}; }

namespace {

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

void SetValue(HKEY root, const std::string& path, const std::string& name,
              const RegValue& value) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << path;
    // The platform's writer counts a terminator that string data left out
    // when the byte just after the data happens to be zero (Wine does, as
    // Windows NT does), so what would be stored would depend on the heap.
    // The data is written from a copy followed by a byte that is not zero:
    // exactly the given bytes are stored.
    std::vector<BYTE> data = value.data;
    data.push_back(0xFF);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, value.type, data.data(),
                                            static_cast<DWORD>(value.data.size())))
        << path << " " << name;
    RegCloseKey(key);
    // Unterminated string data is what the platform might have changed:
    // read it back to be sure.
    if (IsStringType(value.type) && !value.data.empty() && value.data.back() != 0) {
        EXPECT_EQ(value, GetValue(root, path, name))
            << path << " " << name << ": stored otherwise than given";
    }
}

void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& text) {
    SetValue(root, path, name, Sz(text));
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    SetValue(root, path, name, Dword(value));
}

void CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << path;
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::optional<RegValue> GetValue(HKEY root, const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    DWORD type = 0, size = 0;
    std::optional<RegValue> result;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        RegValue value{type, std::vector<BYTE>(size)};
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type,
                             size ? value.data.data() : nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            result = value;
        }
    }
    RegCloseKey(key);
    return result;
}

std::optional<std::string> GetString(HKEY root, const std::string& path,
                                     const std::string& name) {
    auto value = GetValue(root, path, name);
    if (!value) return {};
    std::string text(value->data.begin(), value->data.end());
    std::size_t end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
    return text;
}

std::optional<DWORD> GetDword(HKEY root, const std::string& path, const std::string& name) {
    auto value = GetValue(root, path, name);
    if (!value || value->data.size() != 4) return {};
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), 4);
    return number;
}

namespace {

void ReadInto(HKEY key, const std::string& relative, RegTree& tree) {
    auto& values = tree[relative];
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0, size = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        RegValue value{type, std::vector<BYTE>(size)};
        nameLength = sizeof name;
        RegEnumValueA(key, index, name, &nameLength, nullptr, &type,
                      size ? value.data.data() : nullptr, &size);
        value.data.resize(size);
        values[name] = value;
    }
    for (DWORD index = 0;; ++index) {
        char name[512];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            ReadInto(child, relative.empty() ? name : relative + "\\" + name, tree);
            RegCloseKey(child);
        }
    }
}

}  // namespace

RegTree ReadTree(HKEY root, const std::string& path) {
    RegTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
    ReadInto(key, "", tree);
    RegCloseKey(key);
    return tree;
}

void WriteTree(HKEY root, const std::string& path, const RegTree& tree) {
    for (const auto& [relative, values] : tree) {
        std::string full = relative.empty() ? path
                           : path.empty()   ? relative
                                            : path + "\\" + relative;
        CreateKey(root, full);
        for (const auto& [name, value] : values) SetValue(root, full, name, value);
    }
}

std::string Dump(const RegTree& tree) {
    std::ostringstream out;
    for (const auto& [relative, values] : tree) {
        out << "[" << relative << "]\n";
        for (const auto& [name, value] : values) {
            out << "  " << (name.empty() ? "@" : name) << " type " << value.type << ":";
            if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
                out << " \"" << std::string(value.data.begin(), value.data.end()).c_str() << "\"";
                out << " (" << value.data.size() << " bytes)";
            } else {
                for (BYTE b : value.data) out << " " << std::hex << int(b) << std::dec;
            }
            out << "\n";
        }
    }
    return out.str();
}

}  // namespace txr::test
