// The application table: one record for every application that the
// integration modules announce, with its location, its integration status
// and the action pending for it, and the per-workstation registry record of
// each application under HKLM\Software\Corvel\Orbisel\CurrentVersion\Apps.
#pragma once

#include "integration/module_protocol.h"
#include "resources/resource_ids.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace txr {

constexpr std::uint32_t kAppTableCapacity = 20;
constexpr std::size_t kAppPathSize = 260;

// Status of an application's integration.
enum AppStatus : std::int32_t {
    kStatusNotIntegrated = 1,
    kStatusIntegrated = 2,
    kStatusFailed = 4,  // the last integration or removal failed
};

// What the next ApplyIntegrationActions does for an application.
enum AppAction : std::int32_t {
    kActionIntegrate = 1,
    kActionRemove = 2,
    kActionNone = 3,
};

// One application.  Strings are terminated ANSI texts in fixed arrays.
struct AppRecord {
    char ModuleFile[260];                  // module file name, without folder
    std::int32_t ModuleIndex;              // index of the application within its module
    char KeyName[kAiKeyNameSize];          // name of the application's registry key
    char DisplayName[kAiDisplayNameSize];
    std::uint32_t KindFlags;               // low 16 bits: location kind; high: flags
    std::uint32_t FileNameCount;           // valid entries of FileNames (0 .. 5)
    char FileNames[kAiFileNameMax][kAiFileNameSize];  // identify the application's folder
    char DefaultPath[kAiDefaultPathSize];  // the module's idea of the location
    std::uint32_t ScanRemaining;           // working counter of the drive scan
    char AppPath[kAppPathSize];            // the application's folder, while PathKnown
    std::int32_t PathKnown;
    std::int32_t Status;                   // AppStatus
    std::int32_t Action;                   // AppAction
    std::int32_t Unattended;               // integration requested without a user
    std::int32_t SaveDataPresent;
    BYTE SaveData[kAiSaveDataSize];        // the module's private data for this workstation
    std::uint32_t SaveDataLength;
    std::int32_t Listed;                   // 1: shown in the integration list
    BYTE PageInfo[kAiPageInfoSize];        // filled by the module; not read by the setup
};

static_assert(offsetof(AppRecord, ModuleIndex) == 260, "layout");
static_assert(offsetof(AppRecord, KeyName) == 264, "layout");
static_assert(offsetof(AppRecord, DisplayName) == 284, "layout");
static_assert(offsetof(AppRecord, KindFlags) == 324, "layout");
static_assert(offsetof(AppRecord, FileNameCount) == 328, "layout");
static_assert(offsetof(AppRecord, FileNames) == 332, "layout");
static_assert(offsetof(AppRecord, DefaultPath) == 652, "layout");
static_assert(offsetof(AppRecord, ScanRemaining) == 912, "layout");
static_assert(offsetof(AppRecord, AppPath) == 916, "layout");
static_assert(offsetof(AppRecord, PathKnown) == 1176, "layout");
static_assert(offsetof(AppRecord, Status) == 1180, "layout");
static_assert(offsetof(AppRecord, Action) == 1184, "layout");
static_assert(offsetof(AppRecord, Unattended) == 1188, "layout");
static_assert(offsetof(AppRecord, SaveDataPresent) == 1192, "layout");
static_assert(offsetof(AppRecord, SaveData) == 1196, "layout");
static_assert(offsetof(AppRecord, SaveDataLength) == 2220, "layout");
static_assert(offsetof(AppRecord, Listed) == 2224, "layout");
static_assert(offsetof(AppRecord, PageInfo) == 2228, "layout");
static_assert(sizeof(AppRecord) == 2244, "AppRecord is 2244 bytes");

// The process-wide table: AppCount valid records, in the order in which the
// modules were found and, within a module, by application index.  A
// record's position is the application's identity everywhere else.
struct AppTable {
    std::uint32_t AppCount;
    AppRecord Records[kAppTableCapacity];
};

// The one table; it starts empty (all zero).
AppTable& Apps();

// Location kind and the automatic flag of a record.
inline std::uint32_t LocationKind(const AppRecord& record) { return record.KindFlags & kKindMask; }
inline bool IsAutomatic(const AppRecord& record) { return (record.KindFlags & kFlagAutomatic) != 0; }

// Registry path of a record's key below HKEY_LOCAL_MACHINE.
constexpr const char* kAppsKeyFormat = "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps\\%s";

// Messages of this part.
constexpr int kMsgIntegrating = 81;            // "Integrating Orbisel with %s"
constexpr int kMsgRemovingIntegration = 82;    // "Removing Orbisel integration from %s"
constexpr int kMsgIntegrationFailed = 2012;    // "The integration with %s failed"
constexpr int kMsgIntegrationFailedCaption = 2013;
// Progress line of the integrate page.
constexpr int kProgressLineControl = IDC_INTEGRATE_PROGRESS_TEXT;  // 1036
// Pause after each action shown in a window, so the line can be read.
constexpr DWORD kActionPauseMs = 1000;

// Empties the table and fills it from the modules AI*.DLL of the setup
// folder's SUPPORT\ folder, in listing order.  Every record then has Status
// 1 or 2, Action 3, PathKnown 0 or 1.  Modules that do not load, lack
// AIEntry or fault while being asked contribute nothing.  When the modules
// announce more than 20 applications, the first 20 are kept and the rest
// is not asked for.
void LoadIntegrationModules();

// Merges each record's registry key into the table: Status (not for
// automatic applications), AppPath and SaveData, each only when it can be
// read whole.  Keys or values that cannot be read leave the record as it is.
void ReadAppRecords();

// Writes every record's key (created with class "Corvel"): Status, AppPath
// while PathKnown, SaveData while SaveDataPresent.  Failures are ignored,
// record by record.
void WriteAppRecords();

// WriteAppRecords for one record.
void WriteAppRecord(const AppRecord& record);

// Carries out every record's Action (1 integrate, 2 remove) in table order,
// moving Status to 2, 1 or 4, and resets every Action to 3.  With a window,
// its control 1036 shows each step and each step is followed by a pause of
// one second.
void ApplyIntegrationActions(HWND window);

// Integrates record index through its module (code 6).  Returns 1 on
// success (the module's SaveData flag and length are taken over), else 0;
// a module that answers with anything but 1 brings the warning box (2012,
// 2013, owned by window).  A module that cannot be loaded, cannot be given
// the location, or faults fails without a message.
int IntegrateApp(int index, HWND window);

// Removes record index's integration through its module (code 7).  Returns
// 1 when the module answered 1, else 0; never shows anything.
int RemoveAppIntegration(int index, HWND window);

// Loads the modules and the records and removes, without a window, every
// integration whose Status is not 1: integrated, failed (an integration or
// removal that failed may have left something), or a value no run writes
// (a damaged record); the module tells what is there.  The records are not
// written back.  Returns the table positions of the
// integrations that could not be undone.
std::vector<std::uint32_t> RemoveAllIntegrations();

// The uninstall's account of the integrations it could not undo, made
// after the installation record has been deleted: each application's
// record is written again with Status 2 (the integration is still in
// place, so a later uninstall tries again and keeps what its module saved
// of the application's own setting), and an error-log record names the
// application (message 174 with its name, 175, code 1200) after any
// records the key still holds.  Nothing is written for an empty list.
void RecordUndoneIntegrations(const std::vector<std::uint32_t>& undone);

// Error-log code of an integration an uninstall could not undo.
constexpr LONG kCodeIntegrationNotUndone = 1200;
constexpr int kMsgIntegrationNotUndone = 174;        // "Could not undo the integration with %s"
constexpr int kMsgIntegrationNotUndoneEffect = 175;

}  // namespace txr
