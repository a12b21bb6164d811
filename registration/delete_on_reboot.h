// Deletion at the next start of Windows, for product files that are in use
// while the product is removed or replaced, and taking such a deletion back.
//
// Windows 95: the "[rename]" section of WININIT.INI in the Windows
// directory, lines "NUL=<path>", the path in its short (8.3) form when the
// file exists: WININIT.INI is carried out before long names are known.  The file is rewritten line by line through
// a temporary file (prefix "TXR"): each line loses its leading and trailing
// blanks, empty lines are dropped, every line ends in CR LF, and a Ctrl-Z
// ends the text as it does for any text-mode reader.
//
// Windows NT: the system's delayed deletion, which lands in the Session
// Manager's "PendingFileRenameOperations" list; the older
// "FileRenameOperations" subkey is handled when that list is absent.
#pragma once

#include <windows.h>

#include <cstddef>

namespace txr {

// Longest WININIT.INI line compared with "[rename]" while scheduling, and
// with the entry line while removing, terminator included.  Longer lines can
// never equal what is looked for; they are carried over unchanged.
constexpr std::size_t kScheduleLineSize = 520;
constexpr std::size_t kRemoveLineSize = 1024;
// Room for the path, terminator included: longer paths are refused.
constexpr std::size_t kRebootPathSize = 260;
// Room for a value name of the older "FileRenameOperations" layout.
constexpr DWORD kRenameOperationNameSize = 1024;

}  // namespace txr

extern "C" {

// Schedules path for deletion at the next start of Windows.  Returns
// non-zero when the deletion is scheduled.  0 on failure: a null, empty,
// over-long or unreadable path (nothing is touched); on Windows NT the system refused the
// delayed deletion; on Windows 95 the temporary file could not be made or
// written, WININIT.INI exists but cannot be read, or the copy over it
// failed (WININIT.INI then stays as it was).
BOOL WINAPI DeleteFileOnReboot(LPCSTR path);

// Takes back a deletion scheduled for the same path: on Windows 95 every
// line "NUL=<path>" (ignoring case) goes, with the path as given or in its
// short form; on Windows NT every operation
// whose source, in upper case, contains the path in upper case.  Returns 0
// when done, also when nothing was scheduled (no WININIT.INI; no Session
// Manager key, list or subkey).  Returns -1 with nothing changed when the
// path is null, empty, too long or not readable memory (a bad pointer), when a step fails (the temporary file,
// reading or replacing WININIT.INI; opening the Session Manager key for
// another reason than its absence, reading, storing or deleting the list),
// and when the list is malformed (not a multi-string value, or its last
// string lacks its terminator).  In the older subkey a matching value that
// cannot be deleted is stepped over and also gives -1; the other matches
// are deleted.
int WINAPI RemoveDeleteOnReboot(LPCSTR path);

}
