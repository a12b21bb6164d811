// The report as an INI file, for administrators' scripts that collect the
// reports of many workstations and read them with the platform's profile
// functions (GetPrivateProfileString).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace txr::support_tool {

struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

// Where --report PATH puts the file: PATH itself, or, when PATH ends in a
// backslash (or a slash), a file named computer + ".INI" in that folder.
std::string ReportFilePath(const std::string& path, const std::string& computer);

// The file's text: each section's name in brackets, then "key=value"
// lines, CR LF line ends.  A control character in a value (a line break
// in a message text) becomes a blank, so that every value stays on its
// line.
std::string IniText(const std::vector<IniSection>& sections);

// Writes text to path whole or not at all: first to a temporary file
// beside it, which then replaces path in one move, so that a collector
// never reads half a report; an older report is replaced.  Returns
// ERROR_SUCCESS, or the platform's error with nothing left behind (an
// older report stays as it was).
DWORD WriteFileWhole(const std::string& path, const std::string& text);

}  // namespace txr::support_tool
