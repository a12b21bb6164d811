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
// backslash (or a slash), a file named computer + ".INI" in that folder;
// the empty text for a folder when computer is empty (no name to give).
std::string ReportFilePath(const std::string& path, const std::string& computer);

// The file's text: each section's name in brackets, then "key=value"
// lines, CR LF line ends.  A control character in a value (a line break
// in a message text) becomes a blank, so that every value stays on its
// line.
std::string IniText(const std::vector<IniSection>& sections);

// Writes text to path whole or not at all: first to a temporary file
// beside it, which then takes path's place, so that a collector never reads
// half a report.  Windows NT replaces an older report in one move.  Windows
// 95 has no such move (MoveFileExA is a stub there): the older report is
// deleted and the new one renamed into its place, so that for a moment
// there is no report, but never half of one.  Returns ERROR_SUCCESS, or the
// platform's error with the temporary file gone; the older report then stays
// as it was, unless the rename after its deletion failed.  write is the
// platform's WriteFile unless a test puts a stand-in of the same form.
using FileWriter = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
DWORD WriteFileWhole(const std::string& path, const std::string& text,
                     FileWriter write = &::WriteFile);

}  // namespace txr::support_tool
