// The built-in catalogue of web-browser plug-ins that the viewer can use.
#pragma once

#include <windows.h>

#include <cstddef>

namespace txr {

// One row of the catalogue, a fixed-size record.  Text fields are
// terminated and zero-padded to their width.
struct PluginCatalogueRow {
    char keyName[50];         // key under Plugins\ (several rows may share one)
    char fileTypeNumber[10];  // the viewer's file-type number; "1999": by extension
    char path[260];           // empty; the found module's path during registration
    DWORD nsVersion;
    char description[64];     // written as Name
    DWORD enabled;            // initial Enabled (0 in every row)
    char moduleFileName[64];  // alternatives separated by commas
    DWORD canPrint;
    char extension[12];       // without dot; used by "1999" rows only
    DWORD number;
    DWORD useWin;
    char url[260];            // the plug-in's download page
};
static_assert(offsetof(PluginCatalogueRow, keyName) == 0);
static_assert(offsetof(PluginCatalogueRow, fileTypeNumber) == 50);
static_assert(offsetof(PluginCatalogueRow, path) == 60);
static_assert(offsetof(PluginCatalogueRow, nsVersion) == 320);
static_assert(offsetof(PluginCatalogueRow, description) == 324);
static_assert(offsetof(PluginCatalogueRow, enabled) == 388);
static_assert(offsetof(PluginCatalogueRow, moduleFileName) == 392);
static_assert(offsetof(PluginCatalogueRow, canPrint) == 456);
static_assert(offsetof(PluginCatalogueRow, extension) == 460);
static_assert(offsetof(PluginCatalogueRow, number) == 472);
static_assert(offsetof(PluginCatalogueRow, useWin) == 476);
static_assert(offsetof(PluginCatalogueRow, url) == 480);
static_assert(sizeof(PluginCatalogueRow) == 740);

constexpr int kPluginCatalogueRows = 14;

// The 14 rows, in the order they are registered.
extern const PluginCatalogueRow kPluginCatalogue[kPluginCatalogueRows];

// File-type number of the plug-ins that are chosen by file extension.
constexpr const char* kByExtensionNumber = "1999";

}  // namespace txr
