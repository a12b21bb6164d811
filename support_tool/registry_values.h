// Registry values as the Support Tool reads them for its reports: whatever
// their type and size, for reading only, so that they show also where
// setup may not write.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace txr::support_tool {

// A value as stored.
struct RawValue {
    bool present = false;
    DWORD type = REG_NONE;
    DWORD size = 0;           // bytes stored
    std::vector<BYTE> data;   // empty when the value was too large to read
};

// Reads name of key (a null key reads as no value).  Values of more than a
// megabyte are not read: only their size is known.
RawValue ReadRaw(HKEY key, const char* name);

bool ValueExists(HKEY key, const char* name);

// The value as a number: true only for a 4-byte REG_DWORD.
bool AsNumber(const RawValue& value, DWORD* number);

// The value as a text: a REG_SZ or REG_EXPAND_SZ up to its terminator (all
// of it when it has none), at most kMostValueText characters with " [...]"
// after a longer one.  False for anything else, or a text too large to read.
bool AsText(const RawValue& value, std::string* text);

// Longest text taken from a value.
constexpr std::size_t kMostValueText = 1024;

// A number or a text for the console report, or a note in parentheses
// when the value is missing or of another kind.
std::string DescribeNumber(const RawValue& value);
std::string DescribeText(const RawValue& value);

// The value as recorded, for the report file: a number in decimal or a
// text; false for a missing value or one of any other kind.
bool AsRecorded(const RawValue& value, std::string* text);

}  // namespace txr::support_tool
