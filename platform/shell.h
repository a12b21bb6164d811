// The one door through which the library uses the shell's user interface:
// the folder browser and opening a document (a web page) with its program.
//
// By default these are SHBrowseForFolderA/SHGetPathFromIDListA and
// ShellExecuteA.  A test installs hooks that answer the browser from its
// script and record what would have been opened.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace txr::shell {

constexpr int kShellPathSize = MAX_PATH;

// Returns the chosen folder's path ("" when the user cancelled or the
// choice is no file-system folder).
using BrowseHook = std::function<std::string(HWND owner, const char* title)>;
// Records an "open" request.
using OpenHook = std::function<void(HWND owner, const char* document, const char* directory)>;

void SetBrowseHook(BrowseHook hook);
void SetOpenHook(OpenHook hook);

// The folder browser, owned by owner, rooted at the desktop, file-system
// folders only, with title.  Returns true and the folder's path in
// path[260] when the user chose a folder whose path could be obtained.
bool BrowseForFolder(HWND owner, const char* title, char* path);

// Opens document with its program ("open" verb, shown normally), with
// directory as the working directory.
void OpenDocument(HWND owner, const char* document, const char* directory);

}  // namespace txr::shell
