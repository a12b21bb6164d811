#include "setup/decision.h"

#include "setup/install_record.h"
#include "setup/library_state.h"
#include "setup/server_version.h"

namespace txr {
namespace {

// -1, 0 or 1 as a is lower than, equal to or higher than b: major first,
// then minor, then sub release, as unsigned numbers.
int CompareVersions(DWORD aMajor, DWORD aMinor, DWORD aSub, DWORD bMajor, DWORD bMinor,
                    DWORD bSub) {
    if (aMajor != bMajor) return aMajor < bMajor ? -1 : 1;
    if (aMinor != bMinor) return aMinor < bMinor ? -1 : 1;
    if (aSub != bSub) return aSub < bSub ? -1 : 1;
    return 0;
}

}  // namespace

SetupDecision DecideSetup(const char* setupDirectory) {
    ServerVersion server = ReadServerVersion(setupDirectory);
    if (!server.fileExists) return {kMsgNoServerIni, kAdviceCannot};
    if (!server.Complete()) return {kMsgNoServerVersion, kAdviceCannot};

    DWORD flags = 0;
    DWORD major = 0, minor = 0, sub = 0;
    char installPath[kPathSize] = "";
    if (!TXRGetRegInfo(&flags, &major, &minor, &sub, installPath)) return {0, 0};
    // A product key from which nothing at all could be read records no
    // installation, local or network: it is what a setup leaves that was
    // stopped (the machine turned off, say) right after creating the key,
    // and the next setup must be free to finish the job.
    if (flags == 0) return {0, 0};
    if (!(flags & kRecordNetwork)) return {kMsgLocalInstall, kAdviceAbort};
    if ((flags & kRecordVersionFlags) != kRecordVersionFlags) {
        return {kMsgIncompleteRecord, kAdviceGoOn};
    }
    switch (CompareVersions(major, minor, sub, server.major, server.minor, server.sub)) {
    case 0: return {kMsgSameVersion, kAdviceGoOn};
    case -1: return {0, 0};
    default: return {kMsgOlderServer, kAdviceAbort};
    }
}

}  // namespace txr
