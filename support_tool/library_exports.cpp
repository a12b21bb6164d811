#include "support_tool/library_exports.h"

#include "support_tool/system_error.h"

#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

namespace txr::support_tool {
namespace {

// Longest message text taken from the library (its texts are at most 254
// characters).
constexpr std::size_t kMostMessageText = 1024;

// The folder above the one this program lies in, with its trailing
// backslash: the product root.  False when the program's own path cannot
// be had or it lies in a drive's root.
bool ProductRoot(std::string* root) {
    std::vector<char> own(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, own.data(), static_cast<DWORD>(own.size()));
        if (length == 0) return false;
        if (length < own.size()) break;
        if (own.size() >= 32768) return false;
        own.resize(own.size() * 2);
    }
    std::string path(own.data());
    std::size_t file = path.find_last_of("\\/");
    if (file == std::string::npos || file == 0) return false;
    std::size_t folder = path.find_last_of("\\/:", file - 1);
    if (folder == std::string::npos || path[folder] == ':') return false;
    *root = path.substr(0, folder + 1);
    return true;
}

}  // namespace

std::string MessageText(const LibraryExports& exports, int message) {
    const char* text = exports.regString(message);
    if (!text) return std::string();
    return std::string(text, strnlen(text, kMostMessageText));
}

bool LoadLibraryExports(Library& library, LibraryExports& exports, std::string* libraryPath) {
    std::string root;
    if (!ProductRoot(&root)) {
        std::fprintf(stderr,
                     "TXRSUPP: cannot find the Orbisel product root.  The Support Tool must lie in "
                     "the SUPPORT folder of the product root, where %s lies.\n",
                     kLibraryFile);
        return false;
    }
    *libraryPath = root + kLibraryFile;
    DWORD error = ERROR_SUCCESS;
    if (!library.Load(libraryPath->c_str(), &error)) {
        std::fprintf(stderr, "TXRSUPP: cannot load the Orbisel library %s (%s).\n",
                     libraryPath->c_str(), SystemErrorText(error).c_str());
        std::fprintf(stderr,
                     "The Support Tool must lie in the SUPPORT folder of the Orbisel product "
                     "root, and %s in the product root.\n",
                     kLibraryFile);
        return false;
    }
    auto find = [&](const char* name, auto& function) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(library.Find(name)));
        if (function) return true;
        std::fprintf(stderr,
                     "TXRSUPP: %s lacks the export %s: it is not the Orbisel library this "
                     "Support Tool belongs to, or it is damaged.\n",
                     libraryPath->c_str(), name);
        return false;
    };
    if (!find("TXRGetRegInfo", exports.getRegInfo)) return false;
    if (!find("TXRRegString", exports.regString)) return false;
    for (int i = 0; i < kCheckCount; ++i) {
        if (!find(kChecks[i].exportName, exports.registrations[i])) return false;
    }
    return true;
}

}  // namespace txr::support_tool
