// Microsoft Exchange's "Quick View" menu items renamed to the product's
// name (TXRRegExchangeMenu, and TXRRegExchangeWordMenu for Exchange with
// WordMail), and given back at removal.  Each item is the default value of
// a verb key of Exchange's classes; values of any other type than REG_SZ
// are never touched.  Prefixes are compared byte for byte, case included.
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/message_text.h"
#include "registration/registration_support.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

#include <cstring>

namespace txr::registration {
namespace {

constexpr const char* kExchangeVerbKeys[] = {
    "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2",
    "CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3",
};
constexpr char kWordMailVerbKey[] = "CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2";

constexpr char kProductItem[] = "&Orbisel, 0, 2";
// Exchange's own item as the removal writes it back: the message text for
// the two Exchange keys, this literal (with blanks) for WordMail.
constexpr int kMsgExchangeItem = 4017;
constexpr char kWordMailItem[] = "&Quick View, 0, 2";
constexpr char kQuickPrefix[] = "&Quick";
constexpr std::size_t kQuickPrefixLength = 6;
// The install of the Exchange keys looks at only five characters.
constexpr std::size_t kExchangeInstallPrefixLength = 5;
// Every item is read into 256 bytes.
constexpr DWORD kItemSize = 256;

constexpr FailureReport kExchangeWriteFailed{33, 36, 1025, kMinor};
constexpr FailureReport kExchangeCloseFailed{34, kMsgCloseEffect, 1026, kMinor};
constexpr FailureReport kWordMailWriteFailed{100, 36, 1025, kMinor};
constexpr FailureReport kWordMailCloseFailed{101, kMsgCloseEffect, 1026, kMinor};

bool StartsWith(const char* text, const char* prefix, std::size_t length) {
    return std::strncmp(text, prefix, length) == 0;
}

// The verb key's item when it is a REG_SZ text of at most 255 characters.
bool ReadTextItem(HKEY key, char (&item)[kItemSize]) {
    DWORD type = REG_NONE;
    return QueryStringWithType(key, nullptr, item, sizeof item, &type) == ERROR_SUCCESS &&
           type == REG_SZ;
}

// An item that shows Exchange's "Quick View" or the product's own name.
bool IsQuickViewOrProductItem(const char* item) {
    return StartsWith(item, kQuickPrefix, kQuickPrefixLength) ||
           StartsWith(item, kProductItem, kQuickPrefixLength);
}

// Removal of one item: back to restoreText when it shows either name.
// Failures are ignored.
void RestoreItem(const char* verbKey, const char* restoreText) {
    reg::Key key;
    if (reg::Open(HKEY_CLASSES_ROOT, verbKey, kFullAccess, key.receive()) != ERROR_SUCCESS) {
        return;
    }
    char item[kItemSize];
    if (ReadTextItem(key.get(), item) && IsQuickViewOrProductItem(item)) {
        reg::SetString(key.get(), "", restoreText);
    }
}

// The check of one item: kCheckWrong when it can be read and is not the
// product's; kCheckCorrect when it is; -1 when the key is absent or its
// item unreadable (which counts as correct).
int CheckItem(const char* verbKey) {
    reg::Key key;
    if (reg::Open(HKEY_CLASSES_ROOT, verbKey, kQueryAccess, key.receive()) != ERROR_SUCCESS) {
        return -1;
    }
    char item[kItemSize];
    if (QueryRegistryString(key.get(), nullptr, item, sizeof item) != ERROR_SUCCESS) return -1;
    return std::strcmp(item, kProductItem) == 0 ? kCheckCorrect : kCheckWrong;
}

// --- TXRRegExchangeMenu ---

int InstallExchange(HKEY logKey, const char*) {
    InstallReport report(logKey);
    const char* exchangeItem = LoadMessageText(kMsgExchangeItem);
    char exchangePrefix[kExchangeInstallPrefixLength + 1] = "";
    std::strncat(exchangePrefix, exchangeItem, kExchangeInstallPrefixLength);

    for (std::size_t i = 0; i < 2; ++i) {
        reg::Key key;
        if (reg::Open(HKEY_CLASSES_ROOT, kExchangeVerbKeys[i], kFullAccess, key.receive()) !=
            ERROR_SUCCESS) {
            continue;  // Exchange (or this part of it) is not installed
        }
        char item[kItemSize];
        if (ReadTextItem(key.get(), item) &&
            StartsWith(item, exchangePrefix, kExchangeInstallPrefixLength) &&
            reg::SetString(key.get(), "", kProductItem) != ERROR_SUCCESS &&
            report.Fail(kExchangeWriteFailed)) {
            return report.result();
        }
        // Only the second key's close is reported.
        LONG closed = key.Close();
        if (i == 1 && closed != ERROR_SUCCESS) report.Fail(kExchangeCloseFailed);
    }
    return report.result();
}

void RemoveExchange() {
    for (const char* verbKey : kExchangeVerbKeys) {
        RestoreItem(verbKey, LoadMessageText(kMsgExchangeItem));
    }
}

// Absent keys and unreadable items count as correct; the second key's
// verdict only ever makes the first one's worse.
int CheckExchange(const char*) {
    int first = CheckItem(kExchangeVerbKeys[0]);
    int result = first == kCheckWrong ? kCheckWrong : kCheckCorrect;
    if (CheckItem(kExchangeVerbKeys[1]) == kCheckWrong) result = kCheckWrong;
    return result;
}

constexpr RegistrationModes kExchangeModes{InstallExchange, RemoveExchange, CheckExchange, false};

// --- TXRRegExchangeWordMenu ---

int InstallWordMail(HKEY logKey, const char*) {
    reg::Key key;
    if (reg::Open(HKEY_CLASSES_ROOT, kWordMailVerbKey, kFullAccess, key.receive()) !=
        ERROR_SUCCESS) {
        return kRegDone;
    }
    InstallReport report(logKey);
    char item[kItemSize];
    if (ReadTextItem(key.get(), item) && StartsWith(item, kQuickPrefix, kQuickPrefixLength) &&
        reg::SetString(key.get(), "", kProductItem) != ERROR_SUCCESS &&
        report.Fail(kWordMailWriteFailed)) {
        return report.result();
    }
    if (key.Close() != ERROR_SUCCESS) report.Fail(kWordMailCloseFailed);
    return report.result();
}

void RemoveWordMail() { RestoreItem(kWordMailVerbKey, kWordMailItem); }

int CheckWordMail(const char*) {
    return CheckItem(kWordMailVerbKey) == kCheckWrong ? kCheckWrong : kCheckCorrect;
}

constexpr RegistrationModes kWordMailModes{InstallWordMail, RemoveWordMail, CheckWordMail, false};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegExchangeMenu(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kExchangeModes);
}

extern "C" int WINAPI TXRRegExchangeWordMenu(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kWordMailModes);
}
