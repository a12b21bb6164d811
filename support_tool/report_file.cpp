#include "support_tool/report_file.h"

#include "platform/file_handle.h"
#include "platform/windows95_stubs.h"

namespace txr::support_tool {
namespace {

bool EndsInFolderMark(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// The folder part of path, with its trailing separator; "." for a bare
// file name, which lies in the current folder.
std::string FolderOf(const std::string& path) {
    std::size_t end = path.find_last_of("\\/:");
    if (end == std::string::npos) return ".";
    return path.substr(0, end + 1);
}

void AppendLine(std::string& text, const std::string& line) {
    text += line;
    text += "\r\n";
}

std::string OnOneLine(std::string value) {
    for (char& c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return value;
}

DWORD WriteAll(const char* path, const std::string& text, FileWriter write) {
    file::FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return GetLastError();
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        if (!write(file.get(), text.data() + done, static_cast<DWORD>(text.size() - done),
                   &written, nullptr)) {
            return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
        }
        // Done without a byte written: the call set no error, and the last
        // error is an earlier call's (the creation over the temporary file
        // leaves ERROR_ALREADY_EXISTS).
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    if (!FlushFileBuffers(file.get()) || !file.Close()) return GetLastError();
    return ERROR_SUCCESS;
}

// Puts the finished temporary file in path's place.  Where the platform has
// no replacing move, the older report goes first; should another writer
// bring a file back in between, the deletion and rename are tried again.
DWORD MoveIntoPlace(const char* temporary, const char* path) {
    if (stub::MoveFileWithFlags(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    if (error != ERROR_CALL_NOT_IMPLEMENTED) return error;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!DeleteFileA(path) && GetLastError() != ERROR_FILE_NOT_FOUND) return GetLastError();
        if (MoveFileA(temporary, path)) return ERROR_SUCCESS;
        error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    return error;
}

}  // namespace

std::string ReportFilePath(const std::string& path, const std::string& computer) {
    if (!EndsInFolderMark(path)) return path;
    return computer.empty() ? std::string() : path + computer + ".INI";
}

std::string IniText(const std::vector<IniSection>& sections) {
    std::string text;
    for (const IniSection& section : sections) {
        if (!text.empty()) AppendLine(text, "");
        AppendLine(text, "[" + section.name + "]");
        for (const IniEntry& entry : section.entries) {
            AppendLine(text, entry.key + "=" + OnOneLine(entry.value));
        }
    }
    return text;
}

DWORD WriteFileWhole(const std::string& path, const std::string& text, FileWriter write) {
    // A name of the platform's making in the target's own folder: unique
    // there, so that workstations that write into one folder at once never
    // share it, and on the target's drive, so that the move is a rename.
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(FolderOf(path).c_str(), "TXR", 0, temporary)) return GetLastError();
    DWORD error = WriteAll(temporary, text, write);
    if (error == ERROR_SUCCESS) error = MoveIntoPlace(temporary, path.c_str());
    if (error != ERROR_SUCCESS) DeleteFileA(temporary);
    return error;
}

}  // namespace txr::support_tool
