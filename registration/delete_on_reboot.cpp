#include "registration/delete_on_reboot.h"

#include "platform/bounded_text.h"
#include "platform/fault_guard.h"
#include "platform/file_handle.h"
#include "platform/os_version.h"
#include "platform/registry_api.h"
#include "platform/windows95_stubs.h"
#include "registration/registry_primitives.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace txr {
namespace {

using file::FileHandle;

constexpr char kSessionManagerPath[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingOperationsValue[] = "PendingFileRenameOperations";
constexpr char kRenameOperationsKey[] = "FileRenameOperations";
constexpr char kWininitName[] = "WININIT.INI";
constexpr char kRenameHeader[] = "[rename]";
constexpr char kLineEnd[] = "\r\n";
constexpr char kTempPrefix[] = "TXR";
constexpr char kEndOfText = '\x1A';  // Ctrl-Z

constexpr int kRemoveDone = 0;
constexpr int kRemoveFailed = -1;

// Copies the caller's path into path: true when it is one the operations
// can work with: readable, present, not empty, and short enough for the
// system's own path limit.  An empty path would match every entry of the
// Windows NT list, and a cut one would match files it does not name.  The
// path comes from an outside installer script: copying it first makes a bad
// pointer fault here, before anything has changed.
bool TakeUsablePath(const char* callerPath, char (&path)[kRebootPathSize]) {
    return guard::CopyTextIn(callerPath, path) == guard::TextIn::Copied && path[0] != '\0';
}

// Upper case by the ANSI code page's rules, as the system folds file names.
std::string UpperCase(std::string text) {
    if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool EqualsIgnoringCase(const std::string& line, const std::string& upperText) {
    return line.size() == upperText.size() && UpperCase(line) == upperText;
}

// ---------------------------------------------------------------------------
// Windows 95: WININIT.INI

// "<Windows directory>\WININIT.INI"; false when it does not fit.
bool WininitPath(char (&path)[MAX_PATH]) {
    UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return AppendBackslash(path) && text::Append(path, kWininitName);
}

enum class ReadOutcome { Read, Missing, Unreadable };

// Cuts text into lines at CR and LF, without their leading and trailing
// blanks; empty lines are left out.  Blanks inside a line stay, so a path
// with blanks comes back whole.
void SplitLines(const std::string& text, std::vector<std::string>& lines) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::size_t first = start;
        std::size_t last = end;
        while (first < last && isBlank(text[first])) ++first;
        while (last > first && isBlank(text[last - 1])) --last;
        if (last > first) lines.emplace_back(text, first, last - first);
        start = end + 1;
    }
}

// Reads WININIT.INI as lines.  Missing: there is no such file; Unreadable:
// it is there but cannot be read (it must then not be replaced, or its
// entries would be lost).
ReadOutcome ReadWininit(const char* path, std::vector<std::string>& lines) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        DWORD error = GetLastError();
        bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return missing ? ReadOutcome::Missing : ReadOutcome::Unreadable;
    }
    std::string text;
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return ReadOutcome::Unreadable;
        if (read == 0) break;
        text.append(chunk, read);
    }
    std::size_t end = text.find(kEndOfText);
    if (end != std::string::npos) text.resize(end);
    SplitLines(text, lines);
    return ReadOutcome::Read;
}

// The temporary file through which WININIT.INI is rewritten: created in
// the temporary directory with a name the system chooses, and deleted when
// this goes out of scope, whatever happened.
class TempFile {
public:
    TempFile() {
        char folder[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, folder);
        if (length == 0 || length >= MAX_PATH) return;
        created_ = GetTempFileNameA(folder, kTempPrefix, 0, path_) != 0;
    }
    ~TempFile() { Delete(); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool created() const { return created_; }

    // Replaces the file's content; false when it could not all be written.
    bool Write(const std::string& content) {
        FileHandle file(CreateFileA(path_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return false;
        std::size_t done = 0;
        while (done < content.size()) {
            DWORD part = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(file.get(), content.data() + done, part, &written, nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        return file.Close();
    }

    // Copies the file over destination, replacing it.
    bool CopyOver(const char* destination) const {
        return CopyFileA(path_, destination, FALSE) != 0;
    }

    bool Delete() {
        if (!created_) return true;
        created_ = false;
        return DeleteFileA(path_) != 0;
    }

private:
    char path_[MAX_PATH] = "";
    bool created_ = false;
};

// Writes content through a temporary file over WININIT.INI.
bool ReplaceWininit(const char* wininit, TempFile& temp, const std::string& content) {
    return temp.Write(content) && temp.CopyOver(wininit);
}

void AppendLine(std::string& out, const std::string& line) {
    out += line;
    out += kLineEnd;
}

// The short (8.3) form of an existing file's path; path itself when the
// file does not exist or has no short form that fits.  WININIT.INI is
// carried out before Windows 95 knows long file names, so a line with a
// long path would never delete anything.
std::string ShortForm(const char* path) {
    char shortPath[kRebootPathSize];
    DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath) return path;
    return std::string(shortPath, length);
}

BOOL ScheduleOnWindows95(const char* path) {
    char wininit[MAX_PATH];
    if (!WininitPath(wininit)) return FALSE;
    std::string entry = std::string("NUL=") + ShortForm(path);

    TempFile temp;
    if (!temp.created()) return FALSE;
    std::vector<std::string> lines;
    if (ReadWininit(wininit, lines) == ReadOutcome::Unreadable) return FALSE;

    // The entry becomes the first line of the first "[rename]" section.
    const std::string header = UpperCase(kRenameHeader);
    std::string out;
    bool placed = false;
    for (const std::string& line : lines) {
        if (!placed && line.size() < kScheduleLineSize && EqualsIgnoringCase(line, header)) {
            AppendLine(out, kRenameHeader);
            AppendLine(out, entry);
            placed = true;
        } else {
            AppendLine(out, line);
        }
    }
    if (!placed) {
        AppendLine(out, kRenameHeader);
        AppendLine(out, entry);
    }
    if (!ReplaceWininit(wininit, temp, out)) return FALSE;
    // The entry is in place; a temporary file that will not go away does
    // not undo that.
    temp.Delete();
    return TRUE;
}

int RemoveOnWindows95(const char* path) {
    char wininit[MAX_PATH];
    if (!WininitPath(wininit)) return kRemoveFailed;
    std::vector<std::string> lines;
    switch (ReadWininit(wininit, lines)) {
    case ReadOutcome::Missing: return kRemoveDone;
    case ReadOutcome::Unreadable: return kRemoveFailed;
    case ReadOutcome::Read: break;
    }
    // The entry names the file by its short form when it was scheduled
    // while the file existed, by the path as given otherwise.
    const std::string entry = UpperCase(std::string("NUL=") + path);
    const std::string shortEntry = UpperCase(std::string("NUL=") + ShortForm(path));

    TempFile temp;
    if (!temp.created()) return kRemoveFailed;
    // Whole lines are compared ignoring case; section headers, also an
    // emptied "[rename]", stay.
    std::string out;
    for (const std::string& line : lines) {
        if (line.size() < kRemoveLineSize &&
            (EqualsIgnoringCase(line, entry) || EqualsIgnoringCase(line, shortEntry))) {
            continue;
        }
        AppendLine(out, line);
    }
    return ReplaceWininit(wininit, temp, out) ? kRemoveDone : kRemoveFailed;
}

// ---------------------------------------------------------------------------
// Windows NT: the Session Manager's pending operations

// Cuts the list into entries from the start: an entry grows byte by byte
// until the two bytes before the current position are both zero (the last
// byte of the previous entry counts as one of them; the byte before the
// data counts as non-zero), or until the end of the data.  A deletion is
// thus its source and two zero bytes, the list's final terminator is an
// entry of its own, and a rename runs on to the next double zero, taking a
// deletion that directly follows it into its entry.  Each call hands back
// the next entry as [start, end) with the length of its first string;
// false at the end.
class OperationCutter {
public:
    explicit OperationCutter(const std::vector<BYTE>& data) : data_(data) {}

    bool Next(std::size_t& start, std::size_t& end, std::size_t& sourceLength) {
        if (position_ >= data_.size()) return false;
        start = position_;
        std::size_t at = start;
        for (;;) {
            ++at;
            if (at >= data_.size()) break;
            if (data_[at - 1] == 0 && at >= 2 && data_[at - 2] == 0) break;
        }
        end = position_ = at;
        auto zero = std::find(data_.begin() + start, data_.begin() + end, BYTE{0});
        sourceLength = static_cast<std::size_t>(zero - (data_.begin() + start));
        return true;
    }

private:
    const std::vector<BYTE>& data_;
    std::size_t position_ = 0;
};

int RemoveFromPendingList(HKEY sessionManager, const std::string& search, DWORD size) {
    std::vector<BYTE> data(size, 0);
    DWORD type = REG_NONE;
    DWORD read = size;
    if (reg::QueryValue(sessionManager, kPendingOperationsValue, &type,
                        data.empty() ? nullptr : data.data(), &read) != ERROR_SUCCESS) {
        return kRemoveFailed;
    }
    if (read > size) return kRemoveFailed;  // never trust a size beyond the buffer
    data.resize(read);
    // Anything but a list whose last string is terminated is not ours to
    // rewrite.
    if (type != REG_MULTI_SZ) return kRemoveFailed;
    if (!data.empty() && data.back() != 0) return kRemoveFailed;

    std::vector<BYTE> kept;
    kept.reserve(data.size());
    bool dropped = false;
    OperationCutter cutter(data);
    std::size_t start = 0, end = 0, sourceLength = 0;
    while (cutter.Next(start, end, sourceLength)) {
        std::string source(reinterpret_cast<const char*>(data.data() + start), sourceLength);
        if (UpperCase(source).find(search) != std::string::npos) {
            dropped = true;
            continue;
        }
        kept.insert(kept.end(), data.begin() + start, data.begin() + end);
    }

    // Only the final terminator (or nothing) left: the list goes.
    if (kept.size() < 2) {
        LONG status = reg::DeleteValue(sessionManager, kPendingOperationsValue);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? kRemoveDone
                                                                           : kRemoveFailed;
    }
    // An untouched list is not written back: every write through the ANSI
    // interface could alter other programs' entries whose names the code
    // page cannot spell.
    if (!dropped) return kRemoveDone;
    if (reg::SetValue(sessionManager, kPendingOperationsValue, REG_MULTI_SZ, kept.data(),
                      static_cast<DWORD>(kept.size())) != ERROR_SUCCESS) {
        return kRemoveFailed;
    }
    return kRemoveDone;
}

// The older layout: one value per operation, named by its source path.
int RemoveFromRenameOperationsKey(HKEY sessionManager, const std::string& search) {
    reg::Key operations;
    if (reg::Open(sessionManager, kRenameOperationsKey, kFullAccess, operations.receive()) !=
        ERROR_SUCCESS) {
        return kRemoveDone;
    }
    int result = kRemoveDone;
    DWORD index = 0;
    for (;;) {
        char name[kRenameOperationNameSize];
        DWORD length = sizeof name;
        LONG status = reg::EnumValue(operations.get(), index, name, &length, nullptr, nullptr,
                                     nullptr);
        if (status == ERROR_MORE_DATA) {
            // A name longer than any path cannot be one of ours.
            ++index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        length = std::min<DWORD>(length, sizeof name - 1);
        name[length] = '\0';
        if (UpperCase(std::string(name, length)).find(search) != std::string::npos) {
            // The values after it move up to this index.
            if (reg::DeleteValue(operations.get(), name) == ERROR_SUCCESS) continue;
            result = kRemoveFailed;  // stepped over, never tried forever
        }
        ++index;
    }
    return result;
}

int RemoveOnWindowsNT(const char* path) {
    const std::string search = UpperCase(path);
    reg::Key sessionManager;
    LONG status = reg::Open(HKEY_LOCAL_MACHINE, kSessionManagerPath, kFullAccess,
                            sessionManager.receive());
    if (status == ERROR_FILE_NOT_FOUND) return kRemoveDone;
    if (status != ERROR_SUCCESS) return kRemoveFailed;

    DWORD size = 0;
    status = reg::QueryValue(sessionManager.get(), kPendingOperationsValue, nullptr, nullptr,
                             &size);
    if (status == ERROR_SUCCESS) return RemoveFromPendingList(sessionManager.get(), search, size);
    if (status != ERROR_FILE_NOT_FOUND) return kRemoveFailed;
    return RemoveFromRenameOperationsKey(sessionManager.get(), search);
}

}  // namespace
}  // namespace txr

extern "C" BOOL WINAPI DeleteFileOnReboot(LPCSTR path) {
    using namespace txr;
    try {
        char usable[kRebootPathSize];
        if (!TakeUsablePath(path, usable)) return FALSE;
        if (os::IsWindows95()) return ScheduleOnWindows95(usable);
        return stub::MoveFileWithFlags(usable, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } catch (...) {
        return FALSE;
    }
}

extern "C" int WINAPI RemoveDeleteOnReboot(LPCSTR path) {
    using namespace txr;
    // Each way through makes its one change (WININIT.INI replaced, the list
    // stored or deleted) as its last step, so leaving early, also by an
    // exception such as a failed allocation for a huge list, changes nothing.
    // The only memory it reads that is not its own, the caller's path, is
    // copied under the fault guard first.
    try {
        char usable[kRebootPathSize];
        if (!TakeUsablePath(path, usable)) return kRemoveFailed;
        return os::IsWindows95() ? RemoveOnWindows95(usable) : RemoveOnWindowsNT(usable);
    } catch (...) {
        return kRemoveFailed;
    }
}
