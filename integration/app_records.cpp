// The registry record of each application:
// HKLM\Software\Corvel\Orbisel\CurrentVersion\Apps\<KeyName> with the values
// Status, AppPath and SaveData.
#include "integration/app_table.h"

#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "registration/registry_primitives.h"

#include <algorithm>
#include <cstring>

namespace txr {
namespace {

// Copies a fixed text field that others may have filled, terminated even
// when the field is not.
template <std::size_t N>
void TerminatedCopy(char (&destination)[N], const char (&field)[N]) {
    std::size_t length = strnlen(field, N - 1);
    std::memcpy(destination, field, length);
    destination[length] = '\0';
}

// The key path of a record.  A record without a key name has no key of its
// own (the bare format would name the Apps key itself).
bool AppKeyPath(const AppRecord& record, char* path, std::size_t size) {
    if (record.KeyName[0] == '\0') return false;
    char keyName[kAiKeyNameSize];
    TerminatedCopy(keyName, record.KeyName);
    return text::FormatTo(path, size, kAppsKeyFormat, keyName);
}

}  // namespace

void ReadAppRecords() {
    AppTable& table = Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        AppRecord& record = table.Records[i];
        char path[128];
        if (!AppKeyPath(record, path, sizeof path)) continue;
        reg::Key key;
        if (reg::Open(HKEY_LOCAL_MACHINE, path, kReadAccess, key.receive()) != ERROR_SUCCESS) {
            continue;
        }

        // An automatic application is integrated by nature, whatever an
        // earlier run wrote.
        if (!IsAutomatic(record)) {
            DWORD status = static_cast<DWORD>(record.Status);
            QueryRegistryDword(key.get(), "Status", &status);
            record.Status = static_cast<std::int32_t>(status);
        }

        // Read aside first: a value that cannot be read whole must not
        // disturb the location the record already has.
        char appPath[kAppPathSize];
        if (QueryRegistryString(key.get(), "AppPath", appPath, sizeof appPath) == ERROR_SUCCESS) {
            text::Copy(record.AppPath, appPath);
            record.PathKnown = 1;
        }

        BYTE saveData[kAiSaveDataSize];
        DWORD size = sizeof saveData;
        if (reg::QueryValue(key.get(), "SaveData", nullptr, saveData, &size) == ERROR_SUCCESS &&
            size > 0) {
            size = std::min<DWORD>(size, sizeof saveData);
            std::memcpy(record.SaveData, saveData, size);
            record.SaveDataLength = size;
            record.SaveDataPresent = 1;
        }
    }
}

void WriteAppRecords() {
    AppTable& table = Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) WriteAppRecord(table.Records[i]);
}

void WriteAppRecord(const AppRecord& record) {
    char path[128];
    if (!AppKeyPath(record, path, sizeof path)) return;
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, path, kProductKeyClass, kFullAccess, key.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    reg::SetDword(key.get(), "Status", static_cast<DWORD>(record.Status));
    if (record.PathKnown) {
        char appPath[kAppPathSize];
        TerminatedCopy(appPath, record.AppPath);
        reg::SetString(key.get(), "AppPath", appPath);
    }
    if (record.SaveDataPresent) {
        DWORD length = std::min<DWORD>(record.SaveDataLength, sizeof record.SaveData);
        reg::SetValue(key.get(), "SaveData", REG_BINARY, record.SaveData, length);
    }
}

}  // namespace txr
