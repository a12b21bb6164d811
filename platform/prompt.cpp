#include "platform/prompt.h"

#include <utility>

namespace txr::prompt {
namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    if (Hook()) return Hook()(MessageBoxRequest{owner, text, caption, style});
    return MessageBoxA(owner, text, caption, style);
}

}  // namespace txr::prompt
