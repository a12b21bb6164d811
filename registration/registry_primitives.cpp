#include "registration/registry_primitives.h"

#include "platform/registry_api.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace txr {
namespace {

// Registry key names are at most 255 characters; enumerating with room for
// all of them means no subkey is ever passed over for its name's length.
constexpr DWORD kKeyNameSize = 256;
constexpr DWORD kCopyValueNameSize = 80;
constexpr DWORD kCopyValueDataSize = 256;

}  // namespace

LONG QueryRegistryDword(HKEY key, const char* name, DWORD* value) {
    DWORD read = *value;
    DWORD size = sizeof read;
    LONG status = reg::QueryValue(key, name, nullptr, reinterpret_cast<BYTE*>(&read), &size);
    if (status == ERROR_SUCCESS) *value = read;
    return status;
}

LONG QueryRegistryString(HKEY key, const char* name, char* buffer, DWORD size,
                         DWORD* storedBytes) {
    if (storedBytes) *storedBytes = 0;
    if (size == 0) return ERROR_MORE_DATA;
    DWORD length = size;
    LONG status = reg::QueryValue(key, name, nullptr, reinterpret_cast<BYTE*>(buffer), &length);
    if (status != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return status;
    }
    if (length > size) length = size;  // never trust a size beyond the buffer
    if (length == 0 || buffer[length - 1] != '\0') {
        if (length >= size) {  // no room left for the missing terminator
            buffer[0] = '\0';
            return ERROR_MORE_DATA;
        }
        buffer[length] = '\0';
    }
    if (storedBytes) *storedBytes = length;
    return ERROR_SUCCESS;
}

LONG DeleteKeyTree(HKEY parent, const char* path) {
    reg::Key key;
    LONG status = reg::Open(parent, path, kFullAccess, key.receive());
    if (status != ERROR_SUCCESS) return status;

    // Each removal shifts the remaining children down, so the walk takes the
    // first remaining child again; a child that survives its removal is
    // stepped over so that the walk always ends.
    DWORD index = 0;
    char name[kKeyNameSize];
    for (;;) {
        DWORD length = sizeof name;
        if (reg::EnumKey(key.get(), index, name, &length) != ERROR_SUCCESS) break;
        DeleteKeyTree(key.get(), name);

        char after[kKeyNameSize];
        length = sizeof after;
        if (reg::EnumKey(key.get(), index, after, &length) == ERROR_SUCCESS &&
            std::strcmp(after, name) == 0) {
            ++index;
        }
    }
    status = key.Close();
    reg::DeleteKey(parent, path);
    return status;
}

namespace {

// What a copy does with a value the destination already has.
enum class Existing { Overwrite, Keep };

bool HasValue(HKEY key, const char* name) {
    return reg::QueryValue(key, name, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The copy of CopyKeyTree and SaveKeyTree.
LONG MergeKeyTree(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                  const char* destinationPath, Existing existing) {
    reg::Key source;
    LONG status = reg::Open(sourceParent, sourcePath, kFullAccess, source.receive());
    if (status != ERROR_SUCCESS) return status;
    reg::Key destination;
    status = reg::Create(destinationParent, destinationPath, kProductKeyClass, kFullAccess,
                         destination.receive());
    if (status != ERROR_SUCCESS) return status;

    for (DWORD index = 0;; ++index) {
        char name[kCopyValueNameSize];
        BYTE data[kCopyValueDataSize];
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (reg::EnumValue(source.get(), index, name, &nameLength, &type, data, &dataLength) !=
            ERROR_SUCCESS) {
            break;
        }
        if (existing == Existing::Keep && HasValue(destination.get(), name)) continue;
        reg::SetValue(destination.get(), name, type, data, dataLength);
    }

    for (DWORD index = 0;; ++index) {
        char name[kKeyNameSize];
        DWORD length = sizeof name;
        if (reg::EnumKey(source.get(), index, name, &length) != ERROR_SUCCESS) break;
        MergeKeyTree(source.get(), name, destination.get(), name, existing);
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG CopyKeyTree(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                 const char* destinationPath) {
    return MergeKeyTree(sourceParent, sourcePath, destinationParent, destinationPath,
                        Existing::Overwrite);
}

namespace {

// How the destination's values must match the source's.
enum class Match { Exactly, ByName };

// True when every value and subkey below source is in destination as well:
// with the same type and data, or (ByName) under the same name.
bool HoldsEverythingOf(HKEY source, HKEY destination, Match match) {
    std::vector<char> name(16384);
    std::vector<BYTE> data, copy;
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0, size = 0;
        LONG status =
            reg::EnumValue(source, index, name.data(), &nameLength, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return false;
        if (match == Match::ByName) {
            if (!HasValue(destination, name.data())) return false;
            continue;
        }
        data.resize(size + 1);
        nameLength = static_cast<DWORD>(name.size());
        if (reg::EnumValue(source, index, name.data(), &nameLength, &type, data.data(), &size) !=
            ERROR_SUCCESS) {
            return false;
        }
        copy.resize(size + 1);
        DWORD copyType = 0, copySize = static_cast<DWORD>(copy.size());
        if (reg::QueryValue(destination, name.data(), &copyType, copy.data(), &copySize) !=
                ERROR_SUCCESS ||
            copyType != type || copySize != size ||
            !std::equal(data.begin(), data.begin() + size, copy.begin())) {
            return false;
        }
    }
    for (DWORD index = 0;; ++index) {
        char child[kKeyNameSize];
        DWORD length = sizeof child;
        LONG status = reg::EnumKey(source, index, child, &length);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return false;
        reg::Key from, to;
        if (reg::Open(source, child, kReadAccess, from.receive()) != ERROR_SUCCESS ||
            reg::Open(destination, child, kReadAccess, to.receive()) != ERROR_SUCCESS ||
            !HoldsEverythingOf(from.get(), to.get(), match)) {
            return false;
        }
    }
    return true;
}

}  // namespace

namespace {

// Whether destinationParent\destinationPath holds everything of the source.
LONG CheckHoldsEverything(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                          const char* destinationPath, Match match) {
    reg::Key source, destination;
    if (reg::Open(sourceParent, sourcePath, kReadAccess, source.receive()) != ERROR_SUCCESS ||
        reg::Open(destinationParent, destinationPath, kReadAccess, destination.receive()) !=
            ERROR_SUCCESS ||
        !HoldsEverythingOf(source.get(), destination.get(), match)) {
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG CopyKeyTreeWhole(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                      const char* destinationPath) {
    LONG status = CopyKeyTree(sourceParent, sourcePath, destinationParent, destinationPath);
    if (status != ERROR_SUCCESS) return status;
    return CheckHoldsEverything(sourceParent, sourcePath, destinationParent, destinationPath,
                                Match::Exactly);
}

LONG SaveKeyTree(HKEY sourceParent, const char* sourcePath, HKEY savedParent,
                 const char* savedPath) {
    LONG status =
        MergeKeyTree(sourceParent, sourcePath, savedParent, savedPath, Existing::Keep);
    if (status != ERROR_SUCCESS) return status;
    // A value is written whole or not at all, so its name in the saved copy
    // means its data arrived (or was saved before, and stays).
    return CheckHoldsEverything(sourceParent, sourcePath, savedParent, savedPath, Match::ByName);
}

bool AppendBackslash(char* path, std::size_t size) {
    std::size_t length = strnlen(path, size);
    if (length == 0 || length >= size) return length == 0;
    if (*CharPrevA(path, path + length) == '\\') return true;
    if (length + 1 >= size) return false;
    path[length] = '\\';
    path[length + 1] = '\0';
    return true;
}

}  // namespace txr
