#include "platform/property_sheet.h"

namespace txr::propsheet {

Page MakePage(HINSTANCE module, int dialog, DLGPROC procedure, LPARAM creationValue) {
    Page page{};
    page.dwSize = kPageSize;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = module;
    page.pszTemplate = MAKEINTRESOURCEA(dialog);
    page.pfnDlgProc = procedure;
    page.lParam = creationValue;
    return page;
}

PROPSHEETHEADERA MakeHeader(DWORD flags, HWND owner, HINSTANCE module, LPCSTR caption,
                            const Page* pages, UINT count, UINT startPage) {
    PROPSHEETHEADERA header{};
    header.dwSize = kHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | flags;
    header.hwndParent = owner;
    header.hInstance = module;
    header.pszCaption = caption;
    header.nPages = count;
    header.nStartPage = startPage;
    // comctl32 reads each description for its own dwSize, not for the size
    // of the type the header's field names.
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    return header;
}

void InitCommonControlsForSheets() {
    using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl32 = GetModuleHandleA("COMCTL32.DLL");
    FARPROC found = comctl32 ? GetProcAddress(comctl32, "InitCommonControlsEx") : nullptr;
    if (found) {
        auto initEx = reinterpret_cast<InitEx>(reinterpret_cast<void*>(found));
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        if (initEx(&controls)) return;
    }
    InitCommonControls();
}

}  // namespace txr::propsheet
