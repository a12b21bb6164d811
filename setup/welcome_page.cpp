// The wizard's first page: the decision's message and advice, and on Next
// the install with its progress bar.
#include "setup/wizard.h"

#include "platform/clock.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/decision.h"
#include "setup/install_engine.h"

#include <commctrl.h>

namespace txr {
namespace {

constexpr int kMsgInstalling = 159;
constexpr int kProgressSteps = 10;
constexpr DWORD kProgressPauseMs = 100;

// Five steps of the bar, each after a short pause.
void AdvanceProgress(HWND page) {
    for (int step = 0; step < kProgressSteps / 2; ++step) {
        clock::Pause(kProgressPauseMs);
        SendDlgItemMessageA(page, IDC_WELCOME_PROGRESS, PBM_DELTAPOS, 1, 0);
    }
}

LONG_PTR InstallOnNext(HWND page) {
    SetDlgItemTextA(page, IDC_WELCOME_PROGRESS_TEXT, LoadMessageText(kMsgInstalling));
    SendDlgItemMessageA(page, IDC_WELCOME_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressSteps));
    SendDlgItemMessageA(page, IDC_WELCOME_PROGRESS, PBM_SETPOS, 0, 0);
    AdvanceProgress(page);
    if (!InstallFromServer()) {
        Wizard().result = kWizardFailed;
        return IDD_SETUP_ERROR;
    }
    AdvanceProgress(page);
    PropSheet_CancelToClose(GetParent(page));
    Wizard().result = kWizardInstalled;
    return IDD_SUCCESS;
}

}  // namespace

INT_PTR CALLBACK WelcomePage(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        CentreSheetOnFirstShow(page);
        ApplyTitleFont(page, {IDC_WELCOME_TITLE});
        const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        const auto* decision = reinterpret_cast<const WizardDecision*>(description->lParam);
        Wizard().message = decision ? decision->message : 0;
        Wizard().advice = decision ? decision->advice : 0;
        if (Wizard().message) {
            SetDlgItemTextA(page, IDC_WELCOME_MESSAGE, LoadMessageText(Wizard().message));
        }
        if (Wizard().advice) {
            SetDlgItemTextA(page, IDC_WELCOME_ADVICE, LoadMessageText(Wizard().advice));
        }
        return TRUE;
    }
    case WM_PAINT:
        return PaintLeftPanel(page);
    case WM_DESTROY:
        ReleaseTitleFont(page);
        return FALSE;
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            SetWizardButtons(page, Wizard().advice == kAdviceCannot ? 0 : PSWIZB_NEXT);
            return Answer(page, 0);
        case PSN_QUERYCANCEL:
            Wizard().result = kWizardCancelled;
            return Answer(page, FALSE);
        case PSN_WIZNEXT:
            return Answer(page, InstallOnNext(page));
        }
        break;
    }
    return FALSE;
}

}  // namespace txr
