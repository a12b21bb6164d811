// The page after a successful install: the good news, and the choice to
// stop before any integration.
#include "setup/wizard.h"

#include "integration/app_table.h"
#include "resource_ids.h"

namespace txr {

INT_PTR CALLBACK SuccessPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        LoadIntegrationModules();
        ReadAppRecords();
        CentreSheetOnFirstShow(page);
        ApplyTitleFont(page, {IDC_SUCCESS_TITLE, IDC_SUCCESS_WAIT_TITLE});
        return TRUE;
    case WM_PAINT:
        return PaintLeftPanel(page);
    case WM_DESTROY:
        ReleaseTitleFont(page);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_SUCCESS_NO_INTEGRATION && HIWORD(wParam) == BN_CLICKED) {
            bool stop = IsDlgButtonChecked(page, IDC_SUCCESS_NO_INTEGRATION) == BST_CHECKED;
            SetWizardButtons(page, stop ? PSWIZB_FINISH : PSWIZB_NEXT);
            return TRUE;
        }
        break;
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            SetWizardButtons(page, PSWIZB_NEXT);
            return Answer(page, 0);
        case PSN_WIZNEXT:
            return Answer(page, IDD_PROGRAM_SCAN);
        }
        break;
    }
    return FALSE;
}

}  // namespace txr
