// AIPROBE.DLL: a module whose answers come from a settings file beside it
// (its own name with .INI) and which notes every request in a log beside it
// (its own name with .LOG), so that a test can set up any applications and
// see exactly what the setup asked and handed over.  Copies under other
// names (AIPROBE2.DLL, ...) each have their own settings and log.
//
// Settings: [Module] Count=n; per application [App<i>]:
//   KeyName, KeyResult (1), DisplayName, NameResult (1), Kind (3),
//   DefaultPath, Files (names separated by |), FileCount (number of Files),
//   Visibility (0), Integrate (1), Remove (1), NewSaveData (text written
//   into SaveData by a successful integration), NewSavePresent (1),
//   NewSaveLength (length of NewSaveData), Info1, Info2, Info3.
#include "modules/module_export.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HMODULE g_self = nullptr;

std::string SiblingPath(const char* extension) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(g_self, path, sizeof path);
    std::string result(path);
    std::size_t dot = result.find_last_of('.');
    if (dot != std::string::npos) result.erase(dot);
    return result + extension;
}

std::string Setting(const std::string& section, const char* key, const char* fallback = "") {
    char value[512] = "";
    GetPrivateProfileStringA(section.c_str(), key, fallback, value, sizeof value,
                             SiblingPath(".INI").c_str());
    return value;
}

bool HasSetting(const std::string& section, const char* key) {
    return Setting(section, key, "\x01") != "\x01";
}

long Number(const std::string& section, const char* key, long fallback) {
    std::string text = Setting(section, key);
    if (text.empty()) return fallback;
    return static_cast<long>(std::strtoul(text.c_str(), nullptr, 0));
}

void Log(const std::string& line) {
    HANDLE file = CreateFileA(SiblingPath(".LOG").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Writes the text unbounded, as a careless module would: the setup must
// cope with names longer than their buffers.
void WriteUnbounded(void* data, const std::string& text) {
    std::memcpy(data, text.c_str(), text.size() + 1);
}

void LogRequest(const txr::IntegrationRequest& request) {
    char line[2048];
    std::snprintf(line, sizeof line, "AppPath=%.256s", request.AppPath);
    Log(line);
    std::snprintf(line, sizeof line, "ProgramFolder=%.256s", request.ProgramFolder);
    Log(line);
    std::snprintf(line, sizeof line, "SaveDataPresent=%ld SaveDataLength=%lu",
                  static_cast<long>(request.SaveDataPresent),
                  static_cast<unsigned long>(request.SaveDataLength));
    Log(line);
    std::size_t length = request.SaveDataLength < txr::kAiSaveDataSize ? request.SaveDataLength
                                                                        : txr::kAiSaveDataSize;
    std::string saved = "SaveData=";
    if (request.SaveData) saved.append(reinterpret_cast<const char*>(request.SaveData), length);
    Log(saved);
    std::snprintf(line, sizeof line, "Owner=%lu Unattended=%ld",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(request.Owner)),
                  static_cast<long>(request.Unattended));
    Log(line);
}

int Integrate(const std::string& app, txr::IntegrationRequest& request) {
    LogRequest(request);
    int result = static_cast<int>(Number(app, "Integrate", 1));
    if (result == 1 && HasSetting(app, "NewSaveData")) {
        std::string data = Setting(app, "NewSaveData");
        std::memcpy(request.SaveData, data.data(), data.size());
        request.SaveDataPresent = static_cast<std::int32_t>(Number(app, "NewSavePresent", 1));
        request.SaveDataLength = static_cast<std::uint32_t>(
            Number(app, "NewSaveLength", static_cast<long>(data.size())));
    }
    return result;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data) {
    char line[64];
    std::snprintf(line, sizeof line, "code=%d index=%d", code, index);
    Log(line);
    const std::string app = "App" + std::to_string(index);
    switch (code) {
    case txr::AI_COUNT: return static_cast<int>(Number("Module", "Count", 0));
    case txr::AI_KEYNAME:
        WriteUnbounded(data, Setting(app, "KeyName"));
        return static_cast<int>(Number(app, "KeyResult", 1));
    case txr::AI_DISPLAYNAME:
        WriteUnbounded(data, Setting(app, "DisplayName"));
        return static_cast<int>(Number(app, "NameResult", 1));
    case txr::AI_LOCATION:
        WriteUnbounded(data, Setting(app, "DefaultPath"));
        return static_cast<int>(Number(app, "Kind", 3));
    case txr::AI_FILENAMES: {
        auto* names = static_cast<txr::FileNameRequest*>(data);
        std::string files = Setting(app, "Files");
        std::uint32_t count = 0;
        for (std::size_t at = 0; !files.empty() && at <= files.size() && count < txr::kAiFileNameMax;
             ++count) {
            std::size_t bar = files.find('|', at);
            if (bar == std::string::npos) bar = files.size();
            txr::text::Copy(names->FileNames[count], files.substr(at, bar - at).c_str());
            at = bar + 1;
        }
        names->FileNameCount = static_cast<std::uint32_t>(Number(app, "FileCount", count));
        return 1;
    }
    case txr::AI_VISIBILITY: return static_cast<int>(Number(app, "Visibility", 0));
    case txr::AI_PAGEINFO: std::memcpy(data, "PROBE-PAGE-INFO", 16); return 0;
    case txr::AI_INFOTEXT1: WriteUnbounded(data, Setting(app, "Info1")); return 1;
    case txr::AI_INFOTEXT2: WriteUnbounded(data, Setting(app, "Info2")); return 1;
    case txr::AI_INFOTEXT3: WriteUnbounded(data, Setting(app, "Info3")); return 1;
    case txr::AI_INTEGRATE: return Integrate(app, *static_cast<txr::IntegrationRequest*>(data));
    case txr::AI_REMOVE:
        LogRequest(*static_cast<txr::IntegrationRequest*>(data));
        return static_cast<int>(Number(app, "Remove", 1));
    default: return 0;
    }
}
