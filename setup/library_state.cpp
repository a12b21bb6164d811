#include "setup/library_state.h"

#include "platform/bounded_text.h"

#include <cstring>

namespace txr {

LibraryState& Library() {
    static LibraryState state;
    return state;
}

void OnLibraryAttach(HMODULE module) {
    LibraryState& state = Library();
    state.module = module;

    char fileName[kPathSize] = "";
    DWORD length = GetModuleFileNameA(module, fileName, sizeof fileName);
    if (length == 0 || length >= sizeof fileName) {
        // A name that did not fit is no usable directory: leave it empty
        // rather than work from a cut path.
        fileName[0] = '\0';
    }
    // Keep everything up to and including the last backslash or colon.
    char* cut = fileName;
    for (char* p = fileName; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == ':') cut = p + 1;
    }
    *cut = '\0';
    text::Copy(state.setupDirectory, fileName);

    // Both buffers are 260; a setup directory that leaves no room for the
    // suffix gets no help file rather than a cut one.
    if (!text::FormatTo(state.helpFilePath, sizeof state.helpFilePath, "%s..\\Help",
                        state.setupDirectory)) {
        state.helpFilePath[0] = '\0';
    }
}

void ResetInstallPathToSetupDirectory() {
    text::Copy(Library().installPath, Library().setupDirectory);
}

}  // namespace txr
