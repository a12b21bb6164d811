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

namespace {

// What became of one tree's deletion: the status DeleteKeyTree reports, and
// whether the key itself is gone.
struct TreeDeletion {
    LONG status;
    bool gone;
};

TreeDeletion DeleteOpenTree(HKEY parent, const char* path, reg::Key& key);

TreeDeletion DeleteTree(HKEY parent, const char* path) {
    reg::Key key;
    LONG status = reg::Open(parent, path, kFullAccess, key.receive());
    if (status != ERROR_SUCCESS) return {status, false};
    return DeleteOpenTree(parent, path, key);
}

TreeDeletion DeleteOpenTree(HKEY parent, const char* path, reg::Key& key) {
    // Each removal shifts the remaining children down, so the walk takes the
    // first remaining child again; a child that survives its removal is
    // stepped over so that the walk always ends.
    DWORD index = 0;
    char name[kKeyNameSize];
    for (;;) {
        DWORD length = sizeof name;
        if (reg::EnumKey(key.get(), index, name, &length) != ERROR_SUCCESS) break;
        if (!DeleteTree(key.get(), name).gone) ++index;
    }
    LONG status = key.Close();
    return {status, reg::DeleteKey(parent, path) == ERROR_SUCCESS};
}

}  // namespace

LONG DeleteKeyTree(HKEY parent, const char* path) { return DeleteTree(parent, path).status; }

LONG DeleteOpenKeyTree(HKEY parent, const char* path, reg::Key& key) {
    return DeleteOpenTree(parent, path, key).status;
}

namespace {

// Deletes base\path by its shape, subkeys first, each named by its path
// from base so that no key on the way needs opening; a path too long for a
// single key name is opened instead, and so is any key whose deletion by
// name fails (the walk decides then).
bool DeleteKnownByPath(HKEY base, const std::string& path, const KeyShape& shape) {
    if (!shape.known) return DeleteTree(base, path.c_str()).gone;
    if (path.size() >= kKeyNameSize) {
        reg::Key key;
        if (reg::Open(base, path.c_str(), kFullAccess, key.receive()) != ERROR_SUCCESS) return false;
        for (const KeyShape& subkey : shape.subkeys) {
            DeleteKnownByPath(key.get(), subkey.name, subkey);
        }
        key.Close();
    } else {
        for (const KeyShape& subkey : shape.subkeys) {
            DeleteKnownByPath(base, path + "\\" + subkey.name, subkey);
        }
    }
    return reg::DeleteKey(base, path.c_str()) == ERROR_SUCCESS ||
           DeleteTree(base, path.c_str()).gone;
}

}  // namespace

bool DeleteKnownKeyTree(HKEY parent, const char* path, const KeyShape& shape, reg::Key* open) {
    if (!shape.known) return open ? DeleteOpenTree(parent, path, *open).gone : DeleteTree(parent, path).gone;
    if (!shape.subkeys.empty()) {
        reg::Key owned;
        reg::Key& key = open ? *open : owned;
        if (!key && reg::Open(parent, path, kFullAccess, key.receive()) != ERROR_SUCCESS) {
            return false;
        }
        for (const KeyShape& subkey : shape.subkeys) DeleteKnownByPath(key.get(), subkey.name, subkey);
        key.Close();
    } else if (open) {
        open->Close();
    }
    // A key still holding subkeys (one the shape did not know of, or one
    // whose deletion failed) is not deleted by name: the walk decides.
    return reg::DeleteKey(parent, path) == ERROR_SUCCESS || DeleteTree(parent, path).gone;
}

namespace {

// What a copy does with a value the destination already has.
enum class Existing { Overwrite, Keep };

bool HasValue(HKEY key, const char* name) {
    return reg::QueryValue(key, name, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The number of subkeys and values of key, or "not known" (enumerate to
// the end) when it cannot be asked.
struct Counts {
    DWORD subkeys = MAXDWORD;
    DWORD values = MAXDWORD;
};

Counts CountsOf(HKEY key) {
    Counts counts;
    if (reg::QueryInfo(key, &counts.subkeys, &counts.values) != ERROR_SUCCESS) return Counts{};
    return counts;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Writes a copied value byte for byte; data has room for one byte past
// size.  The registry's ANSI writer counts a terminator that string data
// left out when the byte just after the data is zero (Wine does, and
// Windows NT is believed to), so a value saved without its terminator
// would come back one byte longer: the byte after the data is made
// non-zero.  Whatever a system does all the same, such a value is read
// back (the only values that cost a call more) and one stored otherwise
// counts as not arrived.  In a saved copy (Keep) it is taken out again, so
// that a name in a saved copy still means its data arrived whole.
bool WriteValueExactly(HKEY destination, const char* name, DWORD type, BYTE* data, DWORD size,
                       Existing existing) {
    data[size] = 0xFF;
    if (reg::SetValue(destination, name, type, data, size) != ERROR_SUCCESS) return false;
    if (!IsStringType(type) || size == 0 || data[size - 1] == 0) return true;
    DWORD storedType = 0, storedSize = 0;
    if (reg::QueryValue(destination, name, &storedType, nullptr, &storedSize) == ERROR_SUCCESS &&
        storedType == type && storedSize == size) {
        return true;
    }
    if (existing == Existing::Keep) reg::DeleteValue(destination, name);
    return false;
}

// The copy of CopyKeyTree and SaveKeyTree.  The names of the subkeys met
// are added to *shape when given.  *seenWhole stays true only when
// the copy saw everything of the source arrive: every value enumerated and
// then found in the destination (Keep) or written there, every subkey
// copied the same way.  Anything else (a value that did not fit the
// buffers, a failed call) makes it false: the copy may still be whole, and
// only a check can tell.
LONG MergeKeyTree(HKEY source, HKEY destinationParent, const char* destinationPath,
                  Existing existing, bool* seenWhole, KeyShape* shape = nullptr);
LONG MergeKeyContents(HKEY source, HKEY destinationParent, const char* destinationPath,
                      Existing existing, bool* seenWhole, KeyShape* shape);

// MergeKeyTree of sourceParent\sourcePath, opened here.
LONG MergeKeyTree(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                  const char* destinationPath, Existing existing, bool* seenWhole) {
    reg::Key source;
    LONG status = reg::Open(sourceParent, sourcePath, kReadAccess, source.receive());
    if (status != ERROR_SUCCESS) {
        *seenWhole = false;
        return status;
    }
    return MergeKeyTree(source.get(), destinationParent, destinationPath, existing, seenWhole);
}

LONG MergeKeyTree(HKEY source, HKEY destinationParent, const char* destinationPath,
                  Existing existing, bool* seenWhole, KeyShape* shape) {
    // Whether this key's own tree was seen whole decides its shape; the
    // caller's flag takes the answer in at the end.
    bool whole = true;
    LONG status = MergeKeyContents(source, destinationParent, destinationPath, existing, &whole,
                                   shape);
    if (shape) shape->known = status == ERROR_SUCCESS && whole;
    if (!whole) *seenWhole = false;
    return status;
}

LONG MergeKeyContents(HKEY source, HKEY destinationParent, const char* destinationPath,
                      Existing existing, bool* seenWhole, KeyShape* shape) {
    reg::Key destination;
    DWORD disposition = 0;
    LONG status = reg::Create(destinationParent, destinationPath, kProductKeyClass, kFullAccess,
                              destination.receive(), &disposition);
    if (status != ERROR_SUCCESS) {
        *seenWhole = false;
        return status;
    }
    // A key made just now holds no values: none needs looking for.
    const bool keepExisting = existing == Existing::Keep && disposition != REG_CREATED_NEW_KEY;
    const Counts counts = CountsOf(source);

    DWORD index = 0;
    for (; index < counts.values; ++index) {
        char name[kCopyValueNameSize];
        // One byte more than a value may fill: see WriteValueExactly.
        BYTE data[kCopyValueDataSize + 1];
        DWORD nameLength = sizeof name;
        DWORD dataLength = kCopyValueDataSize;
        DWORD type = 0;
        status = reg::EnumValue(source, index, name, &nameLength, &type, data, &dataLength);
        if (status != ERROR_SUCCESS) {
            // The end before the count means values went missing on the way.
            if (status != ERROR_NO_MORE_ITEMS || counts.values != MAXDWORD) *seenWhole = false;
            break;
        }
        if (keepExisting) {
            // Only a value known to be absent is added: one that cannot be
            // asked about may be the saved original, which is kept, and the
            // copy is then not known to be whole.
            LONG found = reg::QueryValue(destination.get(), name, nullptr, nullptr, nullptr);
            if (found == ERROR_SUCCESS) continue;
            if (found != ERROR_FILE_NOT_FOUND) {
                *seenWhole = false;
                continue;
            }
        }
        if (!WriteValueExactly(destination.get(), name, type, data, dataLength, existing)) {
            *seenWhole = false;
        }
    }
    const bool allValuesRead = index == counts.values;

    for (index = 0; index < counts.subkeys; ++index) {
        char name[kKeyNameSize];
        DWORD length = sizeof name;
        status = reg::EnumKey(source, index, name, &length);
        if (status != ERROR_SUCCESS) {
            if (status != ERROR_NO_MORE_ITEMS || counts.subkeys != MAXDWORD) *seenWhole = false;
            break;
        }
        reg::Key child;
        status = reg::Open(source, name, kReadAccess, child.receive());
        if (status != ERROR_SUCCESS) {
            *seenWhole = false;
            continue;
        }
        KeyShape* childShape = nullptr;
        if (shape) {
            shape->subkeys.push_back(KeyShape{name, {}});
            childShape = &shape->subkeys.back();
        }
        MergeKeyTree(child.get(), destination.get(), name, existing, seenWhole, childShape);
    }
    // A value or subkey that arrived while the copy ran lies past the counts
    // it began with, where the copy never looked: the counts asked again
    // tell (one call for both; a count not known was enumerated to its end
    // already, and an enumeration that ended early has said so).
    if (allValuesRead && index == counts.subkeys && counts.values != MAXDWORD) {
        const Counts after = CountsOf(source);
        if (after.values != counts.values || after.subkeys != counts.subkeys) *seenWhole = false;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG CopyKeyTree(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                 const char* destinationPath) {
    bool seenWhole = true;
    return MergeKeyTree(sourceParent, sourcePath, destinationParent, destinationPath,
                        Existing::Overwrite, &seenWhole);
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

// Whether destinationParent\destinationPath holds everything of the open
// source key.
LONG CheckHoldsEverything(HKEY source, HKEY destinationParent, const char* destinationPath,
                          Match match) {
    reg::Key destination;
    if (reg::Open(destinationParent, destinationPath, kReadAccess, destination.receive()) !=
            ERROR_SUCCESS ||
        !HoldsEverythingOf(source, destination.get(), match)) {
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

// The same for sourceParent\sourcePath, opened here for reading.
LONG CheckHoldsEverything(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                          const char* destinationPath, Match match) {
    reg::Key source;
    if (reg::Open(sourceParent, sourcePath, kReadAccess, source.receive()) != ERROR_SUCCESS) {
        return ERROR_WRITE_FAULT;
    }
    return CheckHoldsEverything(source.get(), destinationParent, destinationPath, match);
}

}  // namespace

// A copy that saw everything arrive is whole, and is not read back: that
// would walk the same tree twice.  Only a copy that met something it could
// not copy is checked, which finds out whether that part is there all the
// same.

LONG CopyKeyTreeWhole(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                      const char* destinationPath) {
    bool seenWhole = true;
    LONG status = MergeKeyTree(sourceParent, sourcePath, destinationParent, destinationPath,
                               Existing::Overwrite, &seenWhole);
    if (status != ERROR_SUCCESS || seenWhole) return status;
    return CheckHoldsEverything(sourceParent, sourcePath, destinationParent, destinationPath,
                                Match::Exactly);
}

namespace {

// The shape a copy reports starts empty.
KeyShape* ClearedShape(KeyShape* shape) {
    if (shape) *shape = KeyShape{};
    return shape;
}

}  // namespace

LONG CopyOpenKeyTreeWhole(HKEY source, HKEY destinationParent, const char* destinationPath,
                          KeyShape* shape) {
    bool seenWhole = true;
    LONG status = MergeKeyTree(source, destinationParent, destinationPath, Existing::Overwrite,
                               &seenWhole, ClearedShape(shape));
    if (status != ERROR_SUCCESS || seenWhole) return status;
    return CheckHoldsEverything(source, destinationParent, destinationPath, Match::Exactly);
}

// A value is written whole or not at all, so its name in the saved copy
// means its data arrived (or was saved before, and stays).

LONG SaveKeyTree(HKEY sourceParent, const char* sourcePath, HKEY savedParent,
                 const char* savedPath) {
    bool seenWhole = true;
    LONG status =
        MergeKeyTree(sourceParent, sourcePath, savedParent, savedPath, Existing::Keep, &seenWhole);
    if (status != ERROR_SUCCESS || seenWhole) return status;
    return CheckHoldsEverything(sourceParent, sourcePath, savedParent, savedPath, Match::ByName);
}

LONG SaveOpenKeyTree(HKEY source, HKEY savedParent, const char* savedPath, KeyShape* shape) {
    bool seenWhole = true;
    LONG status =
        MergeKeyTree(source, savedParent, savedPath, Existing::Keep, &seenWhole, ClearedShape(shape));
    if (status != ERROR_SUCCESS || seenWhole) return status;
    return CheckHoldsEverything(source, savedParent, savedPath, Match::ByName);
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
