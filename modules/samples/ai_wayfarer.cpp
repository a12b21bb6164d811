// AIWAYFAR.DLL: the Wayfarer web browser.
//
// Wayfarer looks up helper viewers by itself, through the App Paths entries
// that the setup registers for Orbisel, so there is nothing to change in it:
// the module announces it with location kind 4 (the module knows where it
// is) and the automatic flag, and integrating or removing always succeeds
// without touching anything (it keeps no original that could be lost, and
// there is never anything it could fail to undo).  Its location is the folder of WAYFARER.EXE as
// Wayfarer's own App Paths entry names it, else its standard folder.
#include "modules/module_export.h"

#include <cstring>

namespace {

constexpr char kKeyName[] = "Wayfarer";
constexpr char kDisplayName[] = "Wayfarer Web Browser";
constexpr char kAppPathsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WAYFARER.EXE";
constexpr char kStandardFolder[] = "C:\\Program Files\\Wayfarer\\";

// The folder of Wayfarer's program, with a trailing backslash, into
// folder[txr::kAiDefaultPathSize].
void FindWayfarer(char* folder) {
    char program[MAX_PATH] = "";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = sizeof program - 1;
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(program),
                             &size) != ERROR_SUCCESS ||
            type != REG_SZ) {
            program[0] = '\0';
        }
        program[sizeof program - 1] = '\0';
        RegCloseKey(key);
    }
    char* cut = std::strrchr(program, '\\');
    if (cut) {
        cut[1] = '\0';
        if (txr::text::CopyTo(folder, txr::kAiDefaultPathSize, program)) return;
    }
    txr::text::CopyTo(folder, txr::kAiDefaultPathSize, kStandardFolder);
}

void WriteText(void* data, const char* text) {
    if (data) std::memcpy(data, text, std::strlen(text) + 1);
}

}  // namespace

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code != txr::AI_COUNT && index != 0) return 0;
    switch (code) {
    case txr::AI_COUNT: return 1;
    case txr::AI_KEYNAME:
        return txr::text::CopyTo(static_cast<char*>(data), txr::kAiKeyNameSize, kKeyName) ? 1 : 0;
    case txr::AI_DISPLAYNAME:
        return txr::text::CopyTo(static_cast<char*>(data), txr::kAiDisplayNameSize, kDisplayName)
                   ? 1
                   : 0;
    case txr::AI_LOCATION:
        FindWayfarer(static_cast<char*>(data));
        return static_cast<int>(txr::kKindModuleKnows | txr::kFlagAutomaticLow);
    case txr::AI_FILENAMES: static_cast<txr::FileNameRequest*>(data)->FileNameCount = 0; return 1;
    case txr::AI_VISIBILITY: return 0;
    case txr::AI_PAGEINFO: return 0;
    case txr::AI_INFOTEXT1:
        WriteText(data, "Wayfarer Web Browser shows documents it cannot display itself with the "
                        "viewers registered on this workstation.");
        return 1;
    case txr::AI_INFOTEXT2:
        WriteText(data, "It finds Orbisel by itself through Orbisel's registration, so setup "
                        "changes nothing in Wayfarer.");
        return 1;
    case txr::AI_INFOTEXT3:
        WriteText(data, "Orbisel stays available in Wayfarer for as long as it is set up on "
                        "this workstation.");
        return 1;
    case txr::AI_INTEGRATE:
    case txr::AI_REMOVE: return 1;
    default: return 0;
    }
}
