// Message texts: every user-visible text is a string resource of the
// library, addressed by number.
#pragma once

#include <windows.h>

namespace txr {

// Longest text delivered: a longer resource text is cut to this length.
constexpr int kMessageTextMax = 254;

// Returns the text of the message in one of three rotating 256-byte
// buffers: the text stays valid until three further texts have been loaded.
// A number without a resource (or outside 0..65535) yields an empty text.
// Never null.
const char* LoadMessageText(int message);

}  // namespace txr

// Exported as TXRRegString: the same as LoadMessageText.
extern "C" LPCSTR WINAPI TXRRegString(int message);
