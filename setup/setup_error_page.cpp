// The page that ends a failed install.
#include "setup/wizard.h"

#include "resource_ids.h"

namespace txr {

INT_PTR CALLBACK SetupErrorPage(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CentreSheetOnFirstShow(page);
        return TRUE;
    case WM_PAINT:
        return PaintLeftPanel(page);
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            SetWizardButtons(page, PSWIZB_BACK | PSWIZB_FINISH);
            return Answer(page, 0);
        case PSN_WIZBACK:
            // Back to the welcome page, where Next runs the install again.
            return Answer(page, IDD_WELCOME);
        }
        break;
    }
    return FALSE;
}

}  // namespace txr
