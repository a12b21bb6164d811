// The plug-in's download page.
#pragma once

#include <windows.h>

namespace txr {

// 1 when a web browser is registered for the http protocol (HKCR
// "http\shell\open\command" opens).
int HasWebBrowserHandler();

// Opens the plug-in's URL value (at most 260 bytes) in the web browser.
// Only http:// and https:// addresses are opened: a value that names a
// program or a file does nothing, as does a missing or empty one.
void OpenPluginURL(int entryIndex);

}  // namespace txr
