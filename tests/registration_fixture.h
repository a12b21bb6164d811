// Shared by the tests of the registration exports: a private registry, a
// log key for the error records, recorded message boxes, and the expected
// records and box texts spelled from the message table.
#pragma once

#include "registration/error_log.h"
#include "registration/registrations.h"

#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <ostream>
#include <string>
#include <vector>

namespace txr::test {

constexpr char kInstallPath[] = "X:\\TXR\\";

constexpr char kSystemViewer[] = "{F0F08735-0C36-101B-B086-0020AF07D0F4}";
constexpr char kFileViewer[] = "{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kShellExt[] = "{F0F08737-0C36-101B-B086-0020AF07D0F4}";
constexpr char kOtherViewer[] = "{12345678-0C36-101B-B086-0020AF07D0F4}";

using RegistrationExport = int(WINAPI*)(int, HKEY, LPCSTR);

// One record of the error log as the registry holds it.
struct LogRecord {
    DWORD code = 0;
    std::string whatFailed;
    std::string effect;

    bool operator==(const LogRecord& other) const {
        return code == other.code && whatFailed == other.whatFailed && effect == other.effect;
    }
};

inline std::ostream& operator<<(std::ostream& out, const LogRecord& record) {
    return out << "{" << record.code << ", \"" << record.whatFailed << "\", \"" << record.effect
               << "\"}";
}

namespace detail {
struct MessageEntry {
    int number;
    const char* text;
};
inline const MessageEntry kMessageTable[] = {
#include "tests/expected_messages.inc"
};
}  // namespace detail

// A message's text as the table of messages spells it.
inline std::string MessageText(int number) {
    for (const auto& entry : detail::kMessageTable) {
        if (entry.number == number) return entry.text;
    }
    ADD_FAILURE() << "no message " << number;
    return {};
}

inline LogRecord Logged(int whatFailed, int effect, DWORD code) {
    return LogRecord{code, MessageText(whatFailed), MessageText(effect)};
}

// The fatal box's text for a failure: message 1 with "<text> [<code>]".
inline std::string FatalBoxText(int whatFailed, long code) {
    std::string body = MessageText(1);
    std::string detail = MessageText(whatFailed) + " [" + std::to_string(code) + "]";
    return body.replace(body.find("%s"), 2, detail);
}

// The class string of root\path ("" for none); "<missing>" when absent.
inline std::string KeyClass(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char keyClass[256] = "";
    DWORD length = sizeof keyClass;
    RegQueryInfoKeyA(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return keyClass;
}

// The rights asked for by every call of kind op on target (its described
// path ending so), in their order.
inline std::vector<REGSAM> AccessAskedFor(const RegistryFaults& faults, reg::Op op,
                                          const std::string& target) {
    std::vector<REGSAM> rights;
    for (const reg::Call& call : faults.calls()) {
        if (call.op == op && EndsWithNoCase(reg::Describe(call), target)) {
            rights.push_back(call.access);
        }
    }
    return rights;
}

constexpr REGSAM kFull = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

class RegistrationTest : public LibraryTest {
protected:
    RegistrationTest() {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Log", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &log_,
                        nullptr);
    }
    ~RegistrationTest() override { RegCloseKey(log_); }

    // The records under the log key, in their order.
    std::vector<LogRecord> Records() const {
        std::vector<LogRecord> records;
        DWORD count = GetDword(HKEY_LOCAL_MACHINE, "Log", "ErrorCount").value_or(0);
        for (DWORD n = 0; n < count; ++n) {
            std::string suffix = std::to_string(n);
            records.push_back(LogRecord{
                GetDword(HKEY_LOCAL_MACHINE, "Log", "Error" + suffix).value_or(0xFFFFFFFF),
                GetString(HKEY_LOCAL_MACHINE, "Log", "ErrorString" + suffix).value_or("<none>"),
                GetString(HKEY_LOCAL_MACHINE, "Log", "ErrorDescription" + suffix)
                    .value_or("<none>")});
        }
        return records;
    }

    // The three trees that the registrations touch, for before/after.
    RegTree Everything() const {
        RegTree all;
        for (auto [root, name] : {std::pair{HKEY_CLASSES_ROOT, "HKCR"},
                                  std::pair{HKEY_LOCAL_MACHINE, "HKLM"}}) {
            for (auto& [path, values] : ReadTree(root, "")) {
                if (std::string(name) == "HKLM" && path.rfind("Log", 0) == 0) continue;
                all[std::string(name) + "\\" + path] = values;
            }
        }
        return all;
    }

    HKEY log_ = nullptr;
    ScriptedPrompts prompts_;
};

}  // namespace txr::test
