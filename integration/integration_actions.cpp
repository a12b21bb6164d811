// Carrying out the pending integrations and removals through the modules.
#include "integration/app_table.h"

#include "integration/integration_module.h"
#include "platform/bounded_text.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/message_text.h"
#include "registration/registry_primitives.h"
#include "setup/install_record.h"
#include "setup/library_state.h"

#include <algorithm>
#include <cstring>

namespace txr {
namespace {

// The record's location for the module, which has room for 255
// characters.  A longer location is handed over in its short (8.3) form;
// false when even that does not fit, so that the module is never given a
// cut path.
bool RequestAppPath(const AppRecord& record, char (&out)[kAiRequestPathSize]) {
    std::size_t length = strnlen(record.AppPath, sizeof record.AppPath);
    if (length < sizeof out) {
        std::memcpy(out, record.AppPath, length);
        out[length] = '\0';
        return true;
    }
    if (length >= sizeof record.AppPath) return false;  // not even terminated
    char shortPath[kPathSize];
    DWORD shortLength = GetShortPathNameA(record.AppPath, shortPath, sizeof shortPath);
    if (shortLength == 0 || shortLength >= sizeof out) return false;
    std::memcpy(out, shortPath, shortLength + 1);
    return true;
}

// Setup folder + "PROGRAM\" in its short form.  When the folder cannot be
// shortened (it does not exist) the long form stays; a folder that does not
// fit the request at all is handed over as an empty text rather than cut.
void RequestProgramFolder(char (&out)[kAiRequestPathSize]) {
    out[0] = '\0';
    char folder[kPathSize];
    if (!text::FormatTo(folder, sizeof folder, "%sPROGRAM\\", Library().setupDirectory)) return;
    DWORD length = GetShortPathNameA(folder, folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) {
        text::FormatTo(folder, sizeof folder, "%sPROGRAM\\", Library().setupDirectory);
    }
    if (!text::Copy(out, folder)) out[0] = '\0';
}

void ShowFailureWarning(const AppRecord& record, HWND window) {
    char message[512];
    text::FormatTo(message, sizeof message, LoadMessageText(kMsgIntegrationFailed),
                   record.DisplayName);
    prompt::ShowMessageBox(window, message, LoadMessageText(kMsgIntegrationFailedCaption),
                           MB_OK | MB_ICONWARNING);
}

// One module call with code 6 or 7 for table record index.
int RunModuleAction(int code, int index, HWND window) {
    AppTable& table = Apps();
    if (index < 0 || static_cast<std::uint32_t>(index) >= table.AppCount) return 0;
    AppRecord& record = table.Records[index];

    IntegrationModule module;
    if (!module.Load(record.ModuleFile)) return 0;

    IntegrationRequest request{};
    if (!RequestAppPath(record, request.AppPath)) return 0;
    RequestProgramFolder(request.ProgramFolder);
    request.SaveDataPresent = record.SaveDataPresent;
    request.SaveDataLength = std::min<std::uint32_t>(record.SaveDataLength, kAiSaveDataSize);
    request.SaveData = record.SaveData;
    request.Owner = window;
    if (code == AI_INTEGRATE) request.Unattended = record.Unattended;

    int answer = 0;
    // A fault inside the module counts as failure and shows nothing.
    if (!module.Call(code, record.ModuleIndex, &request, &answer)) return 0;

    if (code == AI_REMOVE) return answer == 1 ? 1 : 0;
    if (answer != 1) {
        ShowFailureWarning(record, window);
        return 0;
    }
    record.SaveDataPresent = request.SaveDataPresent;
    // The module writes into the record's own 1024 bytes: a longer length
    // cannot be true and would make the record read past its buffer.
    record.SaveDataLength = std::min<std::uint32_t>(request.SaveDataLength, kAiSaveDataSize);
    return 1;
}

void ShowProgressLine(HWND window, int message, const AppRecord& record) {
    char line[512];
    text::FormatTo(line, sizeof line, LoadMessageText(message), record.DisplayName);
    SetDlgItemTextA(window, kProgressLineControl, line);
    // Nothing pumps messages during the pause that follows: paint now, or
    // the line would only appear once it is out of date.
    if (HWND control = GetDlgItem(window, kProgressLineControl)) UpdateWindow(control);
}

}  // namespace

int IntegrateApp(int index, HWND window) { return RunModuleAction(AI_INTEGRATE, index, window); }

int RemoveAppIntegration(int index, HWND window) {
    return RunModuleAction(AI_REMOVE, index, window);
}

void ApplyIntegrationActions(HWND window) {
    AppTable& table = Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        AppRecord& record = table.Records[i];
        if (record.Action == kActionIntegrate) {
            if (window) ShowProgressLine(window, kMsgIntegrating, record);
            record.Status =
                IntegrateApp(static_cast<int>(i), window) ? kStatusIntegrated : kStatusFailed;
            if (window) clock::Pause(kActionPauseMs);
        } else if (record.Action == kActionRemove) {
            if (window) ShowProgressLine(window, kMsgRemovingIntegration, record);
            record.Status = RemoveAppIntegration(static_cast<int>(i), window) ? kStatusNotIntegrated
                                                                               : kStatusFailed;
            if (window) clock::Pause(kActionPauseMs);
        }
        record.Action = kActionNone;
    }
}

std::vector<std::uint32_t> RemoveAllIntegrations() {
    LoadIntegrationModules();
    ReadAppRecords();
    AppTable& table = Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        AppRecord& record = table.Records[i];
        // Only "not integrated" is sure to leave nothing behind: a failed
        // integration or removal may have, and so may a damaged record.
        record.Action = record.Status != kStatusNotIntegrated ? kActionRemove : kActionNone;
    }
    ApplyIntegrationActions(nullptr);
    // Every record is now 1 (not integrated), or 4 when its removal failed.
    std::vector<std::uint32_t> undone;
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        if (table.Records[i].Status == kStatusFailed) undone.push_back(i);
    }
    return undone;
}

void RecordUndoneIntegrations(const std::vector<std::uint32_t>& undone) {
    if (undone.empty()) return;
    reg::Key product;
    if (reg::Create(HKEY_LOCAL_MACHINE, kProductKeyPath, kProductKeyClass, kFullAccess,
                    product.receive()) != ERROR_SUCCESS) {
        return;
    }
    for (std::uint32_t i : undone) {
        AppRecord& record = Apps().Records[i];
        record.Status = kStatusIntegrated;
        WriteAppRecord(record);
        char whatFailed[kMessageTextMax + 1];
        text::FormatTo(whatFailed, sizeof whatFailed, LoadMessageText(kMsgIntegrationNotUndone),
                       record.DisplayName);
        AppendErrorRecord(product.get(), whatFailed, kMsgIntegrationNotUndoneEffect,
                          kCodeIntegrationNotUndone);
    }
}

}  // namespace txr
