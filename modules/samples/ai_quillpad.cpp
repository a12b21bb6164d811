// AIQUILL.DLL: integrates the viewer with Quillpad Editor.
//
// Quillpad is found on disk by its two files QUILLPAD.EXE and QUILLPAD.INI
// (location kind 3).  Its View command opens a file with the program that
// its settings file names in section [Viewer], entry Program.  Integrating
// makes that entry name the viewer, TXR32.EXE in the PROGRAM folder of the
// server copy; the one edit made to the file is kept in SaveData (where it
// starts, the bytes it replaced, the bytes it wrote), so that removing the
// integration puts the file back exactly as it was, byte for byte.
//
// The entry it replaces is kept as Quillpad's original only when it does
// not name the viewer already: an entry that does was written by an earlier
// integration whose record has been lost, and keeping it would make a later
// removal write the viewer back for good.  The record then says that the
// original is not known, and a removal that cannot put the original back
// answers 0, so that the uninstall records it in the error log.
#include "modules/module_export.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr char kKeyName[] = "Quillpad";
constexpr char kDisplayName[] = "Quillpad Editor";
constexpr char kProgramFile[] = "QUILLPAD.EXE";
constexpr char kSettingsFile[] = "QUILLPAD.INI";
constexpr char kSection[] = "Viewer";
constexpr char kEntry[] = "Program";
constexpr char kViewerFile[] = "TXR32.EXE";
// A settings file is small; anything larger is not Quillpad's.
constexpr DWORD kMostSettingsBytes = 1u << 20;

// SaveData: this header, then oldLength bytes that the edit replaced, then
// newLength bytes that it wrote.
struct SavedEdit {
    char magic[4];
    std::uint32_t offset;
    std::uint16_t oldLength;
    std::uint16_t newLength;
};
static_assert(sizeof(SavedEdit) == 12, "SaveData header");
constexpr char kMagic[4] = {'Q', 'P', 'V', '1'};
// The same record when the entry replaced already named the viewer: the
// original is not known, and the replaced bytes are not kept.
constexpr char kMagicOriginalUnknown[4] = {'Q', 'P', 'V', '0'};

// What SaveData holds.
enum class Saved { None, Unsound, Known, OriginalUnknown };

struct Edit {
    std::size_t offset = 0;
    std::size_t oldLength = 0;
    std::string newText;
};

bool ReadWholeFile(const std::string& path, std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size <= kMostSettingsBytes;
    if (ok) {
        content.assign(size, '\0');
        DWORD read = 0;
        ok = size == 0 || (ReadFile(file, &content[0], size, &read, nullptr) && read == size);
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = content.empty() ||
              (WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                         nullptr) &&
               written == content.size());
    ok = CloseHandle(file) && ok;
    return ok;
}

std::string WithBackslash(const char* folder, std::size_t size) {
    std::string text(folder, strnlen(folder, size));
    if (!text.empty() && text.back() != '\\') text += '\\';
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// True when text[begin, end) is name, ignoring letter case.
bool NameIs(const std::string& text, std::size_t begin, std::size_t end, const char* name) {
    std::size_t length = std::strlen(name);
    return end - begin == length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE,
                                                   text.data() + begin, static_cast<int>(length),
                                                   name, static_cast<int>(length)) == CSTR_EQUAL;
}

// The edit that makes [Viewer] Program= name command: the entry's line
// replaced when it exists, else a new entry after the section's header,
// else a new section at the end.  The file's own line ends are kept.
Edit PlanEdit(const std::string& ini, const std::string& command) {
    const std::string eol =
        (ini.find('\n') == std::string::npos || ini.find("\r\n") != std::string::npos) ? "\r\n"
                                                                                        : "\n";
    const std::string entry = std::string(kEntry) + "=" + command;
    bool inSection = false;
    std::size_t headerEnd = std::string::npos;
    for (std::size_t pos = 0; pos < ini.size();) {
        std::size_t end = ini.find('\n', pos);
        std::size_t next = end == std::string::npos ? ini.size() : end + 1;
        if (end == std::string::npos) end = ini.size();
        std::size_t contentEnd = end;
        if (contentEnd > pos && ini[contentEnd - 1] == '\r') --contentEnd;
        std::size_t first = pos;
        while (first < contentEnd && IsBlank(ini[first])) ++first;

        if (first < contentEnd && ini[first] == '[') {
            if (inSection) break;  // the section ends without the entry
            std::size_t close = ini.find(']', first);
            inSection = close < contentEnd && NameIs(ini, first + 1, close, kSection);
            if (inSection) headerEnd = contentEnd;
        } else if (inSection && first < contentEnd && ini[first] != ';') {
            std::size_t equals = ini.find('=', first);
            if (equals < contentEnd) {
                std::size_t keyEnd = equals;
                while (keyEnd > first && IsBlank(ini[keyEnd - 1])) --keyEnd;
                if (NameIs(ini, first, keyEnd, kEntry)) return Edit{pos, contentEnd - pos, entry};
            }
        }
        pos = next;
    }
    if (headerEnd != std::string::npos) return Edit{headerEnd, 0, eol + entry};
    std::string section;
    if (!ini.empty() && ini.back() != '\n') section += eol;
    section += "[" + std::string(kSection) + "]" + eol + entry + eol;
    return Edit{ini.size(), 0, section};
}

// The edit recorded in SaveData; offset and texts are set for Known and
// OriginalUnknown (whose oldText is empty).
Saved LoadSavedEdit(const txr::IntegrationRequest& request, std::size_t* offset,
                    std::string* oldText, std::string* newText) {
    if (!request.SaveDataPresent || !request.SaveData) return Saved::None;
    std::size_t length = request.SaveDataLength;
    if (length > txr::kAiSaveDataSize || length < sizeof(SavedEdit)) return Saved::Unsound;
    SavedEdit header;
    std::memcpy(&header, request.SaveData, sizeof header);
    const bool known = std::memcmp(header.magic, kMagic, sizeof kMagic) == 0;
    if (!known && (std::memcmp(header.magic, kMagicOriginalUnknown, sizeof kMagic) != 0 ||
                   header.oldLength != 0)) {
        return Saved::Unsound;
    }
    if (sizeof header + header.oldLength + header.newLength > length) return Saved::Unsound;
    const char* bytes = reinterpret_cast<const char*>(request.SaveData) + sizeof header;
    *offset = header.offset;
    oldText->assign(bytes, header.oldLength);
    newText->assign(bytes + header.oldLength, header.newLength);
    return known ? Saved::Known : Saved::OriginalUnknown;
}

bool StoreSavedEdit(txr::IntegrationRequest& request, std::size_t offset, bool originalKnown,
                    const std::string& oldText, const std::string& newText) {
    std::size_t length = sizeof(SavedEdit) + oldText.size() + newText.size();
    if (!request.SaveData || length > txr::kAiSaveDataSize) return false;
    SavedEdit header;
    std::memcpy(header.magic, originalKnown ? kMagic : kMagicOriginalUnknown, sizeof kMagic);
    header.offset = static_cast<std::uint32_t>(offset);
    header.oldLength = static_cast<std::uint16_t>(oldText.size());
    header.newLength = static_cast<std::uint16_t>(newText.size());
    char* bytes = reinterpret_cast<char*>(request.SaveData);
    std::memcpy(bytes, &header, sizeof header);
    std::memcpy(bytes + sizeof header, oldText.data(), oldText.size());
    std::memcpy(bytes + sizeof header + oldText.size(), newText.data(), newText.size());
    request.SaveDataPresent = 1;
    request.SaveDataLength = static_cast<std::uint32_t>(length);
    return true;
}

// Takes a recorded edit back out of ini: where it was made, or, when lines
// before it changed since, where its text now stands.  False when the text
// is no longer there (someone changed the entry since).
bool UndoEdit(std::string& ini, std::size_t offset, const std::string& oldText,
              const std::string& newText) {
    if (newText.empty()) return false;
    std::size_t at = offset;
    if (at > ini.size() || ini.compare(at, newText.size(), newText) != 0) {
        at = ini.find(newText);
        if (at == std::string::npos) return false;
    }
    ini.replace(at, newText.size(), oldText);
    return true;
}

// True when an entry line "Program=..." names the viewer, TXR32.EXE in
// whatever folder (the server copy may have moved since).
bool NamesViewer(const std::string& line) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    std::size_t end = line.size();
    while (end > equals + 1 && (IsBlank(line[end - 1]) || line[end - 1] == '"')) --end;
    const std::size_t length = std::strlen(kViewerFile);
    if (end < equals + 1 + length || !NameIs(line, end - length, end, kViewerFile)) return false;
    const std::size_t name = end - length;
    return name == equals + 1 || line[name - 1] == '\\' || line[name - 1] == ':' ||
           line[name - 1] == '"' || IsBlank(line[name - 1]);
}

// The file's [Viewer] Program entry line, or the empty text.
std::string ViewerEntry(const std::string& ini) {
    Edit edit = PlanEdit(ini, "");
    return ini.substr(edit.offset, edit.oldLength);
}

std::string SettingsPath(const txr::IntegrationRequest& request) {
    return WithBackslash(request.AppPath, sizeof request.AppPath) + kSettingsFile;
}

int Integrate(txr::IntegrationRequest& request) {
    std::string viewerFolder = WithBackslash(request.ProgramFolder, sizeof request.ProgramFolder);
    if (viewerFolder.empty()) return 0;
    std::string path = SettingsPath(request);
    std::string ini;
    if (!ReadWholeFile(path, ini)) return 0;

    // Integrated before: start again from the file as it was before that,
    // so that the recorded original stays the one before any integration.
    std::size_t offset = 0;
    std::string oldText, newText;
    const Saved saved = LoadSavedEdit(request, &offset, &oldText, &newText);
    if (saved == Saved::Known) UndoEdit(ini, offset, oldText, newText);

    Edit edit = PlanEdit(ini, viewerFolder + kViewerFile);
    std::string replaced = ini.substr(edit.offset, edit.oldLength);
    // The viewer's own entry is never kept as the original: the one
    // recorded before stays when there is one (the edit it made could not
    // be found, say because the server copy moved), else the original is
    // not known.
    bool originalKnown = true;
    if (NamesViewer(replaced)) {
        originalKnown = saved == Saved::Known;
        replaced = originalKnown ? oldText : std::string();
    }
    if (sizeof(SavedEdit) + replaced.size() + edit.newText.size() > txr::kAiSaveDataSize) {
        return 0;  // an entry too long to be kept for the removal
    }
    ini.replace(edit.offset, edit.oldLength, edit.newText);
    if (!WriteWholeFile(path, ini)) return 0;
    return StoreSavedEdit(request, edit.offset, originalKnown, replaced, edit.newText) ? 1 : 0;
}

// 1 when the file no longer holds anything of the integration, 0 when it
// does and cannot be put back: the entry names the viewer but the record
// of the original is damaged, missing or says the original is not known,
// or the file the record was made for cannot be read.
int Remove(txr::IntegrationRequest& request) {
    std::size_t offset = 0;
    std::string oldText, newText;
    const Saved saved = LoadSavedEdit(request, &offset, &oldText, &newText);
    std::string path = SettingsPath(request);
    std::string ini;
    if (!ReadWholeFile(path, ini)) return saved == Saved::None ? 1 : 0;
    if (saved == Saved::Known && UndoEdit(ini, offset, oldText, newText)) {
        return WriteWholeFile(path, ini) ? 1 : 0;
    }
    // Nothing to put back: done unless the viewer is still named.
    return NamesViewer(ViewerEntry(ini)) ? 0 : 1;
}

void WriteText(void* data, const char* text) {
    // The setup gives no length: the three texts and their separators share
    // 768 bytes, and each of these is well below a third of that.
    if (data) std::memcpy(data, text, std::strlen(text) + 1);
}

}  // namespace

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    if (code != txr::AI_COUNT && index != 0) return 0;
    switch (code) {
    case txr::AI_COUNT: return 1;
    case txr::AI_KEYNAME:
        return txr::text::CopyTo(static_cast<char*>(data), txr::kAiKeyNameSize, kKeyName) ? 1 : 0;
    case txr::AI_DISPLAYNAME:
        return txr::text::CopyTo(static_cast<char*>(data), txr::kAiDisplayNameSize, kDisplayName)
                   ? 1
                   : 0;
    case txr::AI_LOCATION:
        static_cast<char*>(data)[0] = '\0';
        return static_cast<int>(txr::kKindFoundByScan);
    case txr::AI_FILENAMES: {
        auto* names = static_cast<txr::FileNameRequest*>(data);
        names->FileNameCount = 2;
        txr::text::Copy(names->FileNames[0], kProgramFile);
        txr::text::Copy(names->FileNames[1], kSettingsFile);
        return 1;
    }
    case txr::AI_VISIBILITY: return 0;
    case txr::AI_PAGEINFO: return 0;
    case txr::AI_INFOTEXT1:
        WriteText(data, "Quillpad Editor shows attachments and linked documents with the outside "
                        "viewer that its settings file QUILLPAD.INI names.");
        return 1;
    case txr::AI_INFOTEXT2:
        WriteText(data, "The integration makes the entry Program of section [Viewer] in "
                        "QUILLPAD.INI name Orbisel (TXR32.EXE on the server), so that Quillpad's "
                        "View command opens files with Orbisel.");
        return 1;
    case txr::AI_INFOTEXT3:
        WriteText(data, "Removing the integration puts QUILLPAD.INI back exactly as it was "
                        "before, including the viewer it named.");
        return 1;
    case txr::AI_INTEGRATE: return Integrate(*static_cast<txr::IntegrationRequest*>(data));
    case txr::AI_REMOVE: return Remove(*static_cast<txr::IntegrationRequest*>(data));
    default: return 0;
    }
}
