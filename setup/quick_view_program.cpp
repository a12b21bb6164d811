#include "setup/quick_view_program.h"

#include "registration/error_log.h"
#include "registration/registration_support.h"
#include "setup/install_engine.h"

namespace txr {
namespace {

using registration::FailureReport;

// The system's program could not be saved, logged as the install engine
// logs it.
constexpr FailureReport kSystemProgramNotSaved{kMsgViewerProgramNotSaved, kMsgQuickViewEffect,
                                               kCodeViewerProgramNotSaved, kMinor};
// "Could not put Orbisel's Quick View program (QUIKVIEW.EXE) in place".
constexpr FailureReport kProductProgramNotCopied{171, kMsgQuickViewEffect, 1034, kMinor};

int InstallProgram(HKEY logKey, const char* installPath) {
    registration::InstallReport report(logKey);
    switch (PutProductViewerInPlace(installPath)) {
    case ViewerOutcome::InPlace: break;
    case ViewerOutcome::SystemNotSaved: report.Fail(kSystemProgramNotSaved); break;
    case ViewerOutcome::NotCopied: report.Fail(kProductProgramNotCopied); break;
    }
    return report.result();
}

void RemoveProgram() { RestoreQuickView(); }

int CheckProgram(const char* installPath) {
    return ProductViewerInPlace(installPath) ? kCheckCorrect : kCheckWrong;
}

constexpr registration::RegistrationModes kProgramModes{InstallProgram, RemoveProgram,
                                                        CheckProgram};

}  // namespace
}  // namespace txr

extern "C" int WINAPI TXRRegQuickViewProgram(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath, txr::kProgramModes);
}
