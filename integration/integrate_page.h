// The Integrate with Applications page of the wizard and the application
// properties sheet opened from it.
#pragma once

#include "integration/app_table.h"
#include "integration/check_list.h"

#include <windows.h>
#include <prsht.h>

#include "platform/property_sheet.h"

#include <string>

namespace txr {

// The page's dialog procedure (dialog 12033).
INT_PTR CALLBACK IntegratePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Switches the integration of the list row's application: refused (with an
// information box: message 96, 97 or 189) for an application that is not
// present, not yet found, or finds the viewer by itself; otherwise the
// pending action moves on (integrate or remove, or back to none).  The row
// is then selected and focused in every case.
void ToggleIntegration(HWND page, int row);

// State picture of an application (1 empty box, 2 grey tick, 3 red cross,
// 4 black tick) and the message of its action column.
int AppStatePicture(const AppRecord& record);
int AppActionMessage(const AppRecord& record);

// Width of the list's first column for a client width w (the second takes
// the rest).
inline int AppColumnWidth(int w) { return CheckListFirstColumnWidth(w); }

// Table index of the application last selected in the list; -1 for none.
int SelectedApp();

// The application properties: a modal sheet owned by owner, captioned with
// the application's name, holding the General page.
void AppPropertiesSheet(HWND owner, int index);

// The sheet's page and header for a test to create modeless (flags are
// added to the header's).  False for an index outside the table.
struct AppPropertiesSheetParts {
    propsheet::Page page;
    PROPSHEETHEADERA header;
};
bool BuildAppPropertiesSheet(HWND owner, int index, DWORD flags, AppPropertiesSheetParts& parts);

// The General page's procedure (dialog 105); its creation value is the
// record's table index.
INT_PTR CALLBACK GeneralPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Refreshes the General page's location group for the record.
void ShowAppLocation(HWND page, const AppRecord& record);

// The module's description of the application: its three information texts
// (codes 2, 3 and 4) separated by blank lines, within 768 bytes.  Empty when
// the module cannot be loaded.
std::string AppDescription(const AppRecord& record);

}  // namespace txr
