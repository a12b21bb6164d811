// The plug-in list: one entry per registered plug-in, with the choices the
// Plug-in Support page or the unattended setup make before they are saved.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace txr {

enum PluginAction : DWORD {
    kPluginNoKey = 0,     // the entry's key could not be opened (acts as none)
    kPluginEnable = 1,
    kPluginDisable = 2,
    kPluginNone = 3,
};

// Bit of PluginEntry::flags: the path changed and is to be written.
constexpr DWORD kPluginPathChanged = 0x1;

struct PluginEntry {
    char keyName[50];     // subkey under Plugins
    char name[50];        // the Name value (description)
    char path[260];       // full module path; empty when not found
    char moduleName[50];  // the ModuleName value
    DWORD enabled;        // Enabled as it will be written
    DWORD pendingAction;  // PluginAction
    DWORD found;          // 1 when the module file exists at path
    DWORD flags;          // kPluginPathChanged
};
static_assert(offsetof(PluginEntry, name) == 50);
static_assert(offsetof(PluginEntry, path) == 100);
static_assert(offsetof(PluginEntry, moduleName) == 360);
static_assert(offsetof(PluginEntry, enabled) == 412);
static_assert(sizeof(PluginEntry) == 428);

// The process's one plug-in list; empty (not loaded) until LoadPluginList.
std::vector<PluginEntry>& PluginList();

// Registers the catalogue when the Plugins key does not exist yet, then
// builds the list from the registry.  On the run that registers, every
// plug-in whose module was found in a browser's plug-in folder is proposed
// for enabling (with automatic 1 only where XCVSETUP.INI in the Windows
// directory allows it).  Returns 1, or 0 when a write of the registration
// failed (the list is then the provisional one of the catalogue's names).
int LoadPluginList(int automatic);

// Applies every entry's pending action and writes Enabled (and Path where
// it changed).  Entries whose key cannot be opened, and provisional entries
// without a key name, are skipped and left as they are.
void SavePluginList();

// Releases the list.
void FreePluginList();

}  // namespace txr
