// Property sheets as the common controls of Windows 95 and Windows NT 4.0
// take them.
//
// The first comctl32 of both systems (4.00 and 4.70) refuses a sheet header
// or page whose dwSize is not the first release's (40 bytes each), and with
// PSH_PROPSHEETPAGE it steps from one page description to the next by each
// page's dwSize.  So every sheet's pages are an array of first-release page
// descriptions, and no field after the first release's is used: no header
// bitmaps, no page titles of the later wizards.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstddef>

namespace txr::propsheet {

// One page as the first release describes it: the fields of PROPSHEETPAGEA
// up to pcRefParent.
using Page = PROPSHEETPAGEA_V1;

// The first release's sizes: a page, and a header up to pfnCallback.
constexpr DWORD kPageSize = sizeof(Page);
constexpr DWORD kHeaderSize = offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);
static_assert(kPageSize == 40 && kHeaderSize == 40, "first-release sizes");
static_assert(offsetof(Page, lParam) == offsetof(PROPSHEETPAGEA, lParam) &&
                  offsetof(Page, pfnDlgProc) == offsetof(PROPSHEETPAGEA, pfnDlgProc),
              "a page procedure reads its creation value through PROPSHEETPAGEA");

// A page showing dialog resource `dialog` of `module`, run by `procedure`;
// `creationValue` is the lParam of the page description that WM_INITDIALOG
// hands to the procedure.
Page MakePage(HINSTANCE module, int dialog, DLGPROC procedure, LPARAM creationValue);

// The header of a sheet over `count` pages starting at `pages`, opening on
// `startPage`, with PSH_PROPSHEETPAGE and `flags`.  Only the first release's
// fields are set; dwSize is 40.  The pages must outlive the sheet.
PROPSHEETHEADERA MakeHeader(DWORD flags, HWND owner, HINSTANCE module, LPCSTR caption,
                            const Page* pages, UINT count, UINT startPage);

// Registers the common controls' window classes before a sheet opens:
// InitCommonControlsEx (comctl32 4.70 and later), looked up at run time,
// where comctl32 has it, otherwise InitCommonControls, which the comctl32
// 4.00 of Windows 95 as first released offers alone.
void InitCommonControlsForSheets();

}  // namespace txr::propsheet
