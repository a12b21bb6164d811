#include "registration/error_log.h"

#include "platform/bounded_text.h"
#include "platform/prompt.h"
#include "platform/registry_api.h"
#include "registration/message_text.h"
#include "registration/registry_primitives.h"

#include <cstdio>

namespace txr {
namespace {

DWORD g_recordCount = 0;

// The what-failed text with its code, and the finished box text.
constexpr std::size_t kDetailSize = 256;
constexpr std::size_t kBoxTextSize = 1016;

// Writes record number, then "ErrorCount" = number + 1; returns the status
// of that last write.
LONG WriteRecord(HKEY key, DWORD number, const char* whatFailed, int effect, LONG code) {
    char name[32];
    text::FormatTo(name, sizeof name, "Error%lu", static_cast<unsigned long>(number));
    reg::SetDword(key, name, static_cast<DWORD>(code));
    text::FormatTo(name, sizeof name, "ErrorString%lu", static_cast<unsigned long>(number));
    reg::SetString(key, name, whatFailed);
    text::FormatTo(name, sizeof name, "ErrorDescription%lu", static_cast<unsigned long>(number));
    reg::SetString(key, name, LoadMessageText(effect));
    return reg::SetDword(key, "ErrorCount", number + 1);
}

// Puts detail in place of the first "%s" of the body; every other
// character of the body is taken as it stands.  Cuts at the buffer's end.
void InsertDetail(char* out, std::size_t size, const char* body, const char* detail) {
    const char* mark = std::strstr(body, "%s");
    if (!mark) {
        text::CopyTo(out, size, body);
        return;
    }
    std::size_t head = static_cast<std::size_t>(mark - body);
    if (head >= size) head = size - 1;
    std::memcpy(out, body, head);
    out[head] = '\0';
    text::AppendTo(out, size, detail);
    text::AppendTo(out, size, mark + 2);
}

}  // namespace

DWORD ErrorLogRecordCount() { return g_recordCount; }

bool AppendErrorRecord(HKEY key, int whatFailed, int effect, LONG code) {
    return AppendErrorRecord(key, LoadMessageText(whatFailed), effect, code);
}

bool AppendErrorRecord(HKEY key, const char* whatFailedText, int effect, LONG code) {
    DWORD count = 0;
    LONG status = QueryRegistryDword(key, "ErrorCount", &count);
    if ((status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) || count == MAXDWORD) {
        return false;
    }
    return WriteRecord(key, count, whatFailedText, effect, code) == ERROR_SUCCESS;
}

void ResetErrorLogForTesting() { g_recordCount = 0; }

}  // namespace txr

extern "C" int WINAPI TXRLogError(HKEY key, int whatFailed, int effect, LONG code,
                                  int severity) {
    using namespace txr;
    if (key) WriteRecord(key, g_recordCount++, LoadMessageText(whatFailed), effect, code);
    if (severity != kFatal) return 0;

    // "<text> [<code>]" in 255 characters: a long text loses its end, never
    // the code.
    char codeText[24];
    text::FormatTo(codeText, sizeof codeText, " [%ld]", static_cast<long>(code));
    char detail[kDetailSize];
    text::Copy(detail, LoadMessageText(whatFailed));
    std::size_t room = sizeof detail - 1 - std::strlen(codeText);
    if (std::strlen(detail) > room) detail[room] = '\0';
    text::Append(detail, codeText);

    char body[kBoxTextSize];
    InsertDetail(body, sizeof body, LoadMessageText(kMsgFatalBody), detail);
    prompt::ShowMessageBox(nullptr, body, LoadMessageText(kMsgFatalCaption), MB_OK);
    return 1;
}
