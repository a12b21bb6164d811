// Services of the wizard frame that every wizard page uses: the wizard's
// process-wide state, first-show centring, the title font, the left bitmap
// panel and the page-to-page protocol.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <initializer_list>

namespace txr {

// How the wizard ended; it selects the closing message.
enum WizardResult : int {
    kWizardNotShown = 0,   // the sheet did not appear
    kWizardCancelled = 1,  // cancelled on the welcome page
    kWizardInstalled = 2,
    kWizardFailed = 3,
};

struct WizardState {
    int result = kWizardNotShown;
    // Set just before the sheet opens: the first page that initialises
    // centres the sheet and clears it.
    bool firstShow = false;
    // The decision the welcome page explains; the advice decides its buttons.
    int message = 0;
    int advice = 0;
};
WizardState& Wizard();

// Centres the page's sheet on the screen when the first-show flag is set,
// without changing its size or z-order, and clears the flag.
void CentreSheetOnFirstShow(HWND page);

// Gives the title controls a font twice the dialog font's height (Arial in
// place of MS Sans Serif), kept with the page until ReleaseTitleFont.  When
// it cannot be made the dialog's font stays.
void ApplyTitleFont(HWND page, std::initializer_list<int> titleControls);
// Deletes the page's title font (when the page is destroyed).
void ReleaseTitleFont(HWND page);

// Paints the left bitmap panel into the rectangle of the page's hidden
// control 1004.  Returns false (painting nothing) when the page has none.
bool PaintLeftPanel(HWND page);

// Posts the page's wizard buttons (PSWIZB_*) to the sheet.
void SetWizardButtons(HWND page, DWORD buttons);
// Answers a notification through DWL_MSGRESULT; returns TRUE for the
// dialog procedure.
INT_PTR Answer(HWND page, LONG_PTR result);

}  // namespace txr
