#include "setup/wizard.h"

#include "integration/integrate_page.h"
#include "platform/prompt.h"
#include "plugins/plugin_page.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"
#include "setup/setup_entry.h"

#include <commctrl.h>

#include <cstring>

namespace txr {
namespace {


WizardDecision g_decision;

struct PageDescription {
    int dialog;
    DLGPROC procedure;
    LPARAM creationValue;
};

}  // namespace

void BuildWizardSheet(int message, int advice, DWORD flags, WizardSheet& sheet) {
    g_decision = WizardDecision{message, advice};
    const PageDescription descriptions[] = {
        {IDD_WELCOME, &WelcomePage, reinterpret_cast<LPARAM>(&g_decision)},
        {IDD_SUCCESS, &SuccessPage, 0},
        {IDD_PROGRAM_SCAN, &ProgramScanPage, 0},
        {IDD_INTEGRATE, &IntegratePage, 0},
        {IDD_PLUGINS, &PluginSupportPage, 0},
        {IDD_SETUP_ERROR, &SetupErrorPage, 0},
    };
    sheet.pages.clear();
    for (const PageDescription& description : descriptions) {
        sheet.pages.push_back(propsheet::MakePage(Library().module, description.dialog,
                                              description.procedure, description.creationValue));
    }
    sheet.header = propsheet::MakeHeader(PSH_WIZARD | flags, nullptr, Library().module, nullptr,
                                     sheet.pages.data(), static_cast<UINT>(sheet.pages.size()), 0);
}

int RunSetupWizard(int message, int advice) {
    ResetInstallPathToSetupDirectory();
    Wizard().result = kWizardNotShown;
    propsheet::InitCommonControlsForSheets();

    WizardSheet sheet;
    BuildWizardSheet(message, advice, 0, sheet);
    Wizard().firstShow = true;
    PropertySheetA(&sheet.header);

    int closing = kMsgWizardNotShown;
    switch (Wizard().result) {
    case kWizardCancelled: closing = kMsgWizardCancelled; break;
    case kWizardInstalled: closing = kMsgWizardInstalled; break;
    case kWizardFailed: closing = kMsgWizardFailed; break;
    default: break;
    }
    char caption[kMessageTextMax + 1];
    lstrcpynA(caption, LoadMessageText(kMsgSetupCaption), sizeof caption);
    prompt::ShowMessageBox(nullptr, LoadMessageText(closing), caption, MB_OK);
    return 1;
}

}  // namespace txr
