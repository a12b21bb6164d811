// The plug-in registrations in the registry: where a plug-in's module lies,
// how it is chosen (by file-type number or by extension), and which file
// extensions are viewed through it.
#pragma once

#include <windows.h>

#include <string>

namespace txr {

// The plug-in configuration under HKEY_LOCAL_MACHINE, with its trailing
// backslash; subkey paths are formed by appending to it.
constexpr const char* kPluginsKeyPath = "Software\\Corvel\\Orbisel\\CurrentVersion\\Plugins\\";
// Class string of every key of the plug-in configuration.
constexpr const char* kPluginKeyClass = "String";
constexpr int kPluginPathSize = 260;

// True when a file exists at path: it opens with no access rights asked
// (a folder does not).
bool PluginFileExists(const char* path);

// Looks for module in the Netscape Navigator plug-in folder ("Install
// Directory" under HKCU, with "\Program" added unless it ends so, then
// "\Plugins\") and then in Internet Explorer's ("Path" of its App Paths key
// under HKCU, then "\Plugins\").  Returns 1 and writes the file's path to
// out[260] when found; otherwise 0 and out is untouched.  A path that would
// not fit 260 characters is not found.
int FindBrowserPlugin(const char* module, char* out);

// Reads the open plug-in key's Path value.  Returns 1 and copies it to
// out[260] when it names an existing file.  A missing, unreadable or empty
// value returns 0 with out untouched; a value naming a missing file returns
// 0 with out emptied.
int GetPluginPath(HKEY pluginKey, char* out);

// Nonzero when the plug-in key's default value reads and is not "UN" (a
// plug-in chosen by file-type number); 0 for "UN" or when it cannot be read.
int IsFileIdPlugin(const char* keyName);

// Adds to the dialog's list box every extension registered for the
// plug-in (the subkeys of Plugins\FI\1999 whose default value is keyName).
void FillExtensionList(HWND dialog, int listBoxId, const char* keyName);

// Registers extension for the plug-in.  Returns 1 when the key was created
// and set; 0 when the extension already belongs to a plug-in (it is not
// taken over), when it is empty or holds a backslash, or on failure.
int AddPluginExtension(const char* keyName, const char* extension);

// The plug-in that the extension's key names ("" when there is none).
std::string ExtensionOwner(const char* extension);

// Deletes the extension's key, whichever plug-in it names.  1 on success.
int DeletePluginExtension(const char* extension);

}  // namespace txr
