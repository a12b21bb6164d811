// The one door through which the library asks the user something.
//
// By default each call is the platform's own dialog.  A test installs a
// hook that records what would have been shown and answers from its script,
// so that message boxes never wait for a person.
#pragma once

#include <windows.h>

#include <functional>

namespace txr::prompt {

struct MessageBoxRequest {
    HWND owner;
    const char* text;
    const char* caption;  // null: the platform's default caption
    UINT style;
};

// Returns the button the user chose (IDOK, IDYES, IDNO, ...).
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// Installs (or, with an empty function, removes) the message box hook.
void SetMessageBoxHook(MessageBoxHook hook);

// MessageBoxA, or the hook's answer when one is installed.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);

}  // namespace txr::prompt
