// The installation record: what the local machine hive says about the
// installation that serves this workstation.
#pragma once

#include <windows.h>

namespace txr {

// The product key (under HKEY_LOCAL_MACHINE): the record and the error log.
constexpr const char* kProductKeyPath = "Software\\Corvel\\Orbisel\\CurrentVersion";
// Its parent, which holds APIDLL.
constexpr const char* kProductParentKeyPath = "Software\\Corvel\\Orbisel";
// The platform's list of removable software: the product's entry.
constexpr const char* kUninstallKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TXR";
constexpr const char* kSharedDllsKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Record flags returned by TXRGetRegInfo.
enum RecordFlags : DWORD {
    kRecordMajor = 0x01,
    kRecordMinor = 0x02,
    kRecordSub = 0x04,
    kRecordInstallPath = 0x08,
    kRecordNetwork = 0x10,
};
constexpr DWORD kRecordVersionFlags = kRecordMajor | kRecordMinor | kRecordSub;

}  // namespace txr

// Reads the installation record.  Returns 0 when the product key cannot be
// opened for reading and writing (every output but the flags, which become
// 0, is then left untouched); otherwise 1, with the version presets 4, 5, 0
// where a value is missing or longer than 4 bytes, the installation path
// (260 bytes; empty when missing or unreadable) and the flags of what was
// read.  Null output pointers are skipped.  The outputs are written at the
// end, all or none: when any of them cannot be written (a bad pointer of an
// outside caller) the result is 0 and every output stays as it was.
extern "C" int WINAPI TXRGetRegInfo(DWORD* flags, DWORD* major, DWORD* minor, DWORD* sub,
                                    LPSTR installPath);
