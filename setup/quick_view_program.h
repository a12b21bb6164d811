// The product's Quick View program in place of the system's, offered as an
// export of the registrations' form (mode, log key, install path): an
// addition to the library's 21 exports, for the outside installer script
// and the Support Tool, which puts a workstation right with it.
#pragma once

#include <windows.h>

// mode 1, install: puts installPath's SUPPORT\QUIKVIEW.EXE in place of the
//   system's VIEWERS\QUIKVIEW.EXE as setup does (ReplaceQuickView: the
//   system's program is saved first as QUIKVIEW.ORG, a saved one is never
//   replaced, and an unsaved one is never overwritten).  1 when the
//   product's program was copied into place; 2 when the system's program
//   could not be saved (logged 170, 14, 1033; it stays in place) or the
//   copy failed or there is no installation path (logged 171, 14, 1034).
//   Never fatal: no message box.
// mode 2, remove: puts the saved QUIKVIEW.ORG back (RestoreQuickView).
// mode 3, check: 0 when VIEWERS\QUIKVIEW.EXE holds the same bytes as
//   installPath's SUPPORT\QUIKVIEW.EXE, 4 when either is missing or
//   unreadable, they differ, or the path is null or empty.
// Other modes do nothing; an unreadable path pointer gives 3 or 4, as the
// registrations' (registration/registrations.h).
extern "C" int WINAPI TXRRegQuickViewProgram(int mode, HKEY logKey, LPCSTR installPath);
