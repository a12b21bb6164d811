#include "integration/help_map.h"

#include "setup/library_state.h"

namespace txr {

const DWORD kHelpMap[] = {
    // Integrate with Applications page and application properties
    1030, 1177, 1036, 1178, 1041, 1179, 1014, 1180, 1043, 1180, 1038, 1181, 1012, 1182,
    1009, 1183, 1001, 1178, 1029, 1178, 1003, 1199, 1031, 1199,
    // Plug-in Support page
    4015, 1195, 1023, 1195, 4016, 1196,
    // Plug-in properties
    1024, 1197, 1025, 1198, 4010, 1200, 1028, 1200, 4012, 1201, 1026, 1202, 1027, 1202,
    4007, 1203, 4008, 1204, 4003, 1205, 4006, 1206, 4009, 1206,
    0, 0,
};

void ShowControlHelp(const HELPINFO* help) {
    WinHelpA(static_cast<HWND>(help->hItemHandle), Library().helpFilePath, HELP_WM_HELP,
             reinterpret_cast<ULONG_PTR>(kHelpMap));
}

void ShowContextHelp(HWND control) {
    WinHelpA(control, Library().helpFilePath, HELP_CONTEXTMENU,
             reinterpret_cast<ULONG_PTR>(kHelpMap));
}

}  // namespace txr
