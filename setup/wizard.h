// The interactive setup wizard: a property sheet in wizard mode whose
// pages explain the server-version decision, install, offer integrations
// and plug-ins, or report a failed install.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "platform/property_sheet.h"
#include "setup/wizard_frame.h"

#include <vector>

namespace txr {

// Closing messages by wizard result.
constexpr int kMsgWizardNotShown = 161;
constexpr int kMsgWizardCancelled = 162;
constexpr int kMsgWizardInstalled = 153;
constexpr int kMsgWizardFailed = 163;

// Creation value of the welcome page: the decision it explains.
struct WizardDecision {
    int message;
    int advice;
};

// The six page descriptions in their order, and the sheet around them.
// flags are added to the sheet's (PSH_MODELESS lets a test drive it).
struct WizardSheet {
    PROPSHEETHEADERA header{};
    std::vector<propsheet::Page> pages;
};
void BuildWizardSheet(int message, int advice, DWORD flags, WizardSheet& sheet);

// Opens the wizard modally with the decision's message and advice, then
// shows the closing message for the wizard result.  Returns 1.
int RunSetupWizard(int message, int advice);

// Page procedures of the wizard's own pages.
INT_PTR CALLBACK WelcomePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SuccessPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgramScanPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SetupErrorPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace txr
