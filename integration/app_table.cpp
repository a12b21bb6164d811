// The application table and its filling from the integration modules.
#include "integration/app_table.h"

#include "integration/integration_module.h"
#include "platform/bounded_text.h"
#include "platform/file_find.h"
#include "setup/library_state.h"

#include <algorithm>
#include <cstring>

namespace txr {
namespace {

// A module announces its application count as an unsigned number.  Only
// 20 can be kept, but applications it declines (code 8 or 1) take no slot;
// this bound only keeps a module that announces billions and declines them
// all from holding the setup for hours.
constexpr std::uint32_t kMostIndexesAsked = 0x10000;

// The modules get scratch buffers well beyond the sizes the protocol names,
// so that one that writes a little too far does not run into the table;
// what the protocol allows is then copied over, always terminated.
constexpr std::size_t kScratchSize = 1024;

struct ScratchText {
    char text[kScratchSize] = {};
    // The text cut to what a buffer of size bytes can hold.
    void CopyTo(char* destination, std::size_t size) {
        text[kScratchSize - 1] = '\0';
        text::CopyTo(destination, size, text);
    }
};

struct ScratchFileNames {
    FileNameRequest request = {};
    char slack[kScratchSize] = {};
};

enum class Answer { Added, Declined, Faulted };

// Asks the module about its application index and fills record from the
// answers.  Declined: code 8 or 1 did not answer 1 (the slot is reused).
Answer AskApplication(IntegrationModule& module, const char* fileName, int index,
                      AppRecord& record) {
    record = AppRecord{};
    text::Copy(record.ModuleFile, fileName);

    ScratchText keyName;
    int answer = 0;
    if (!module.Call(AI_KEYNAME, index, keyName.text, &answer)) return Answer::Faulted;
    if (answer != 1) return Answer::Declined;
    keyName.CopyTo(record.KeyName, sizeof record.KeyName);

    ScratchText displayName;
    if (!module.Call(AI_DISPLAYNAME, index, displayName.text, &answer)) return Answer::Faulted;
    if (answer != 1) return Answer::Declined;
    displayName.CopyTo(record.DisplayName, sizeof record.DisplayName);

    record.FileNameCount = 0;
    ScratchText defaultPath;
    if (!module.Call(AI_LOCATION, index, defaultPath.text, &answer)) return Answer::Faulted;
    record.KindFlags = static_cast<std::uint32_t>(answer);
    defaultPath.CopyTo(record.DefaultPath, sizeof record.DefaultPath);

    record.PathKnown = 0;
    record.Action = kActionNone;
    record.ModuleIndex = index;
    record.Status = kStatusNotIntegrated;
    record.SaveDataPresent = 0;
    record.Unattended = 0;
    record.Listed = 1;

    ScratchFileNames names;
    if (!module.Call(AI_FILENAMES, index, &names.request, &answer)) return Answer::Faulted;
    // The scan relies on the count: never more names than there is room for.
    record.FileNameCount = std::min<std::uint32_t>(names.request.FileNameCount, kAiFileNameMax);
    for (std::uint32_t i = 0; i < record.FileNameCount; ++i) {
        char* name = names.request.FileNames[i];
        name[kAiFileNameSize - 1] = '\0';
        text::Copy(record.FileNames[i], name);
    }

    if (!module.Call(AI_VISIBILITY, index, nullptr, &answer)) return Answer::Faulted;
    if (answer == kHiddenFromList) record.Listed = 0;

    const std::uint32_t kind = LocationKind(record);
    if (kind == kKindModuleKnows && !(record.KindFlags & kFlagNoDefaultPath)) {
        text::Copy(record.AppPath, record.DefaultPath);
        record.PathKnown = 1;
    }
    if (kind == kKindModuleKnows && IsAutomatic(record)) record.Status = kStatusIntegrated;

    ScratchText pageInfo;
    if (!module.Call(AI_PAGEINFO, index, pageInfo.text, &answer)) return Answer::Faulted;
    std::memcpy(record.PageInfo, pageInfo.text, sizeof record.PageInfo);
    return Answer::Added;
}

// Appends the applications of one module to the table.  A module that
// faults while it is being asked is not to be trusted with any of its
// applications: the table goes back to where it was before it.
void AddModuleApplications(const char* fileName) {
    IntegrationModule module;
    if (!module.Load(fileName)) return;

    AppTable& table = Apps();
    const std::uint32_t countBefore = table.AppCount;
    int announced = 0;
    if (!module.Call(AI_COUNT, 0, nullptr, &announced)) return;
    const std::uint32_t count =
        std::min<std::uint32_t>(static_cast<std::uint32_t>(announced), kMostIndexesAsked);

    for (std::uint32_t index = 0; index < count && table.AppCount < kAppTableCapacity; ++index) {
        switch (AskApplication(module, fileName, static_cast<int>(index),
                               table.Records[table.AppCount])) {
        case Answer::Added: ++table.AppCount; break;
        case Answer::Declined: break;
        case Answer::Faulted: table.AppCount = countBefore; return;
        }
    }
}

}  // namespace

AppTable& Apps() {
    static AppTable table{};
    return table;
}

void LoadIntegrationModules() {
    Apps().AppCount = 0;
    char pattern[kPathSize];
    if (!SupportFilePath("AI*.DLL", pattern, sizeof pattern)) return;
    FileFind listing(pattern);
    if (!listing.ok()) return;
    do {
        // A full table takes nothing more: the remaining modules are not
        // even loaded.
        if (Apps().AppCount >= kAppTableCapacity) break;
        if (listing.IsFolder()) continue;
        AddModuleApplications(listing.entry().cFileName);
    } while (listing.Next());
}

}  // namespace txr
