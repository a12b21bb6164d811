// The page that looks for programs on the local drives and proposes the
// integrations it can offer.
#include "setup/wizard.h"

#include "integration/app_table.h"
#include "integration/program_scan.h"
#include "resource_ids.h"

namespace txr {
namespace {

// Proposes integrating every application whose location is known or not
// needed, unless it is already integrated (automatic ones are proposed
// again).  Other records keep their action.
void ProposeIntegrations() {
    for (DWORD index = 0; index < Apps().AppCount; ++index) {
        AppRecord& record = Apps().Records[index];
        DWORD kind = LocationKind(record);
        bool located = kind == kKindModuleKnows || (kind == kKindFoundByScan && record.PathKnown);
        if (located && (record.Status != kStatusIntegrated || IsAutomatic(record))) {
            record.Action = kActionIntegrate;
        }
    }
}

}  // namespace

INT_PTR CALLBACK ProgramScanPage(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CentreSheetOnFirstShow(page);
        ApplyTitleFont(page, {IDC_SCAN_TITLE});
        return TRUE;
    case WM_PAINT:
        return PaintLeftPanel(page);
    case WM_DESTROY:
        ReleaseTitleFont(page);
        return FALSE;
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
            return Answer(page, 0);
        case PSN_WIZBACK:
            return Answer(page, IDD_SUCCESS);
        case PSN_WIZNEXT:
            if (IsDlgButtonChecked(page, IDC_SCAN_SKIP) != BST_CHECKED) ScanForApps(page, nullptr);
            ProposeIntegrations();
            return Answer(page, IDD_INTEGRATE);
        }
        break;
    }
    return FALSE;
}

}  // namespace txr
