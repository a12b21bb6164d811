#include "support_tool/system_error.h"

namespace txr::support_tool {

std::string SystemErrorText(DWORD error) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    std::string result = "error " + std::to_string(error);
    if (length > 0) result += std::string(": ") + text;
    return result;
}

}  // namespace txr::support_tool
