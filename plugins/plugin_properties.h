// The plug-in properties sheet: where the plug-in's module lies (Location)
// and which file extensions the viewer hands to it (File Extension(s)).
#pragma once

#include <windows.h>
#include <prsht.h>

#include "platform/property_sheet.h"

#include <cstddef>

namespace txr {

// Shows the sheet for the plug-in list's entry modally, owned by owner,
// captioned with the entry's name.  It opens on File Extension(s) for an
// enabled plug-in chosen by extension, otherwise on Location.  Returns 1.
int ShowPluginProperties(HWND owner, int entryIndex);

// The sheet's two pages and header for the entry; flags are added to the
// header's (PSH_MODELESS lets a test drive it).  False for an index that
// is not in the plug-in list.  Empties the removal queue.
struct PluginPropertiesSheet {
    propsheet::Page pages[2];
    PROPSHEETHEADERA header;
};
bool BuildPluginPropertiesSheet(HWND owner, int entryIndex, DWORD flags,
                                PluginPropertiesSheet& sheet);

// The pages' procedures; their creation value is the entry's index.
INT_PTR CALLBACK PluginLocationPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PluginExtensionsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Extensions removed on the File Extension(s) page and not yet deleted from
// the registry, the most recent first.
std::size_t PendingExtensionRemovals();

}  // namespace txr
