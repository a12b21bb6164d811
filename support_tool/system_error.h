// The platform's own words for an error code, for the tool's messages.
#pragma once

#include <windows.h>

#include <string>

namespace txr::support_tool {

// "error N: <the platform's text>" (without a final full stop), or
// "error N" when the platform has no text for it.
std::string SystemErrorText(DWORD error);

}  // namespace txr::support_tool
