// Looking for a plug-in's module file on the local fixed drives.
#pragma once

#include <windows.h>

namespace txr {

// Searches every fixed drive, in drive order, for the first of the
// comma-separated module names, then every fixed drive for the second, and
// so on.  Returns 1 and the file's full path in out[260] at the first hit;
// 0 (out untouched) when none is found.  progress, when given, shows each
// folder as it is searched.
int ScanDrivesForModule(char* out, const char* moduleNames, HWND progress);

// Depth-first search of folder (ending in a backslash) for fileName,
// compared ignoring case: the files of a folder before its subfolders,
// both in listing order; folders beginning with "." are not entered, and a
// path that would not fit 259 characters is passed over (which also ends a
// walk around a link that points back up the tree).  Returns 1 and
// folder + fileName in out[260] when found.
int SearchFolderForFile(const char* folder, const char* fileName, char* out, HWND progress);

}  // namespace txr
