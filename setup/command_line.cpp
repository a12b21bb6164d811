#include "setup/command_line.h"

#include "platform/bounded_text.h"

#include <cstring>
#include <string>

namespace txr {
namespace {

bool ContainsAny(const char* text, std::initializer_list<const char*> needles) {
    for (const char* needle : needles) {
        if (std::strstr(text, needle)) return true;
    }
    return false;
}

bool IsExistingFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string DirectoryOf(const char* fileName) {
    std::string path(fileName);
    std::size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// The search order of the platform's existence test for a file: current
// directory, the launcher's directory, the system and Windows directories,
// then the PATH.
std::string FileSearchPath() {
    std::string search;
    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length > 0 && length < sizeof buffer) search += std::string(buffer) + ";";
    length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer) search += DirectoryOf(buffer) + ";";
    length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer) search += std::string(buffer) + ";";
    length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer) search += std::string(buffer) + ";";
    length = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (length > 0) {
        std::string path(length, '\0');
        length = GetEnvironmentVariableA("PATH", &path[0], length);
        path.resize(length);
        search += path;
    }
    return search;
}

bool FindOptionsFile(const char* name, const char* setupDirectory, char (&found)[kPathSize]) {
    found[0] = '\0';
    if (std::strlen(name) < kPathSize) {
        char* filePart = nullptr;
        DWORD length = SearchPathA(FileSearchPath().c_str(), name, nullptr, kPathSize, found,
                                   &filePart);
        if (length > 0 && length < kPathSize && IsExistingFile(found)) return true;
    }
    if (text::FormatTo(found, kPathSize, "%s%s", setupDirectory, name) && IsExistingFile(found)) {
        return true;
    }
    found[0] = '\0';
    return false;
}

}  // namespace

CommandLineSwitches ParseCommandLine(char* commandLine, const char* setupDirectory) {
    CommandLineSwitches switches;
    if (!commandLine || commandLine[0] == '\0') return switches;

    if (ContainsAny(commandLine, {"-s", "-S", "/s", "/S"})) {
        switches.automatic = true;
    } else {
        CharUpperA(commandLine);
        // The command line inside the word, not the word inside the line:
        // AUTO, AU, TO qualify; AUTOX and -AUTO do not.
        switches.automatic = std::strstr("AUTO", commandLine) != nullptr;
    }
    switches.uninstall = ContainsAny(commandLine, {"-u", "-U", "/u", "/U"});

    if (!switches.uninstall && !switches.automatic &&
        FindOptionsFile(commandLine, setupDirectory, switches.optionsFilePath)) {
        switches.automatic = true;
        switches.optionsFile = true;
    }
    return switches;
}

}  // namespace txr
