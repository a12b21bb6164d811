// The lowest registry layer of the library: single-value readers, the
// subtree deletion and copy, and the trailing-backslash rule for paths.
// Results are the registry's own status codes (ERROR_SUCCESS is 0).
#pragma once

#include "platform/registry_api.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace txr {

// Class string of every key created for the product.
constexpr const char* kProductKeyClass = "Corvel";
// "Full access": read plus the rights to set values and create subkeys.
constexpr REGSAM kFullAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
// "Query access": the right to query values only.
constexpr REGSAM kQueryAccess = KEY_QUERY_VALUE;
// "Read access": the standard read rights.
constexpr REGSAM kReadAccess = KEY_READ;

// Reads a value of at most 4 bytes into *value (its type is not examined).
// A larger value, or a missing one, gives a non-zero status and leaves
// *value as it was.  A shorter value overwrites only its own bytes.
LONG QueryRegistryDword(HKEY key, const char* name, DWORD* value);

// Reads a value (null name: the default value) into buffer[size] as text.
// Succeeds only when the value, with a terminator, fits the buffer; the
// buffer is then always terminated (a stored value that lacks its
// terminator is terminated when there is room for one).  On any failure the
// buffer holds the empty text.  The type is not examined.  storedBytes,
// when given, receives the number of bytes the value holds (0 on failure).
LONG QueryRegistryString(HKEY key, const char* name, char* buffer, DWORD size,
                         DWORD* storedBytes = nullptr);

// Deletes parent\path with all its subkeys, deepest first.  Returns the
// status of opening the key (nothing is deleted when it fails), else the
// status of closing it; the final deletion's status is not reported.  A
// child that cannot be deleted is passed over, never retried forever.
LONG DeleteKeyTree(HKEY parent, const char* path);

// DeleteKeyTree of parent\path, which the caller holds open as key (with
// kFullAccess): the key is closed (left empty) before parent\path itself
// is deleted.  Returns the status of closing it.
LONG DeleteOpenKeyTree(HKEY parent, const char* path, reg::Key& key);

// Merges sourceParent\sourcePath into destinationParent\destinationPath
// (created with the product class when missing): values of the same names
// are overwritten, others stay.  Values are enumerated with an 80-character
// name buffer and 256 bytes of data; the first value that does not fit ends
// the copying of that key's values.  Subkeys are copied recursively;
// failures inside them are ignored.  Returns 0, or the status of the failed
// open of the source or create of the destination (then nothing is made).
LONG CopyKeyTree(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                 const char* destinationPath);

// CopyKeyTree, and then a check that the destination holds every value and
// subkey of the source exactly as the source has them: the copy a caller
// may delete the source after.  Returns 0 only when the copy is whole; the
// status of a failed open of the source or create of the destination as
// CopyKeyTree does; ERROR_WRITE_FAULT when anything did not arrive (a write
// that failed, a value too large for the copy, a check that could not
// read).
LONG CopyKeyTreeWhole(HKEY sourceParent, const char* sourcePath, HKEY destinationParent,
                      const char* destinationPath);

// The subkeys below a key as a copy found them: names in enumeration order,
// each with its own.  known: the copy enumerated and copied everything of
// this key's tree without a failure, so the shape is the whole tree of the
// source (otherwise it may lack subkeys).
struct KeyShape {
    std::string name;
    std::vector<KeyShape> subkeys;
    bool known = false;
};

// CopyKeyTreeWhole from a source key the caller holds open (read access
// is all a copy needs), which it leaves open.  shape, when given, receives the
// source's shape (known only as described above).
LONG CopyOpenKeyTreeWhole(HKEY source, HKEY destinationParent, const char* destinationPath,
                          KeyShape* shape = nullptr);

// Saves sourceParent\sourcePath into the saved copy savedParent\savedPath
// (created with the product class when missing) without ever overwriting
// it: a value or subkey the saved copy already holds keeps what was saved
// first, and only what it lacks is added (same buffers as CopyKeyTree).  So
// a reinstall, which finds the product's own entries in the source, never
// replaces the system's entries saved by the first install, and a save cut
// short by a stopped run is completed by the next one.  Returns 0 only when
// afterwards every value and subkey of the source has its namesake in the
// saved copy (each a whole copy where it was added now); the status of a
// failed open of the source or create of the saved copy; ERROR_WRITE_FAULT
// when anything is missing.
LONG SaveKeyTree(HKEY sourceParent, const char* sourcePath, HKEY savedParent,
                 const char* savedPath);

// SaveKeyTree from a source key the caller holds open (read access is
// enough), which it leaves open; shape as for CopyOpenKeyTreeWhole.
LONG SaveOpenKeyTree(HKEY source, HKEY savedParent, const char* savedPath,
                     KeyShape* shape = nullptr);

// DeleteKeyTree of parent\path with the shape a copy took of it, nothing
// below having changed since: in a known shape, the keys below parent\path
// are deleted by their paths from it (a path too long for one key name is
// opened), none is opened or enumerated again.  A
// key whose deletion fails, and any key of a shape not known, is deleted as
// DeleteKeyTree does it (a subkey the shape lacks goes as well; a key that
// cannot be deleted is passed over).  open, when given, is parent\path held
// open with kFullAccess; it is closed (left empty) before the key is
// deleted.  Returns true when parent\path is gone.
bool DeleteKnownKeyTree(HKEY parent, const char* path, const KeyShape& shape,
                        reg::Key* open = nullptr);

// Adds a backslash to a non-empty path that does not end in one.  Returns
// false, leaving the path unchanged, when buffer[size] has no room for it.
bool AppendBackslash(char* path, std::size_t size);

template <std::size_t N>
bool AppendBackslash(char (&path)[N]) { return AppendBackslash(path, N); }

}  // namespace txr
