// The error log: every failed setup step appends a numbered record
// (ErrorN, ErrorStringN, ErrorDescriptionN, and ErrorCount) to a registry
// key that the caller names; a fatal failure also shows a message box.
#pragma once

#include <windows.h>

namespace txr {

enum Severity : int { kFatal = 1, kMinor = 2 };

// Messages of the fatal box: the body (with one %s) and the caption.
constexpr int kMsgFatalBody = 1;
constexpr int kMsgFatalCaption = 2;
// Effect text used for every failure to close a key.
constexpr int kMsgCloseEffect = 6;

// Number of records written by this loading of the library: the number
// of the next record.
DWORD ErrorLogRecordCount();

// Appends one record (ErrorN, ErrorStringN, ErrorDescriptionN) under key
// after the records it already holds, for a run that has logged nothing
// there itself: N is the key's "ErrorCount" (0 when the key has none),
// which then becomes N + 1; this loading's counter does not move.  Returns
// true when the new count was written.  Records nothing, and returns false,
// when the count cannot be read for another reason than its absence (a
// record numbered from 0 could overwrite one that counts) or is at its
// limit.  Failed writes of the record's values are ignored, as TXRLogError
// ignores them; nothing is shown.
bool AppendErrorRecord(HKEY key, int whatFailed, int effect, LONG code);

// AppendErrorRecord with the what-failed text itself rather than its
// message number (a message with the subject's name put in, say).
bool AppendErrorRecord(HKEY key, const char* whatFailedText, int effect, LONG code);

// Starts the numbering again at 0.  The library itself never does this;
// the test programs, which stand in for a fresh loading, do.
void ResetErrorLogForTesting();

}  // namespace txr

// Records one failure under key (nothing is recorded for a null key, and
// write failures are ignored).  Severity 1 then shows the fatal box (message
// 1 with "<what-failed text> [<code>]" at its %s, caption message 2, OK,
// no icon, no owner) and returns 1; any other severity returns 0.
extern "C" int WINAPI TXRLogError(HKEY key, int whatFailed, int effect, LONG code,
                                  int severity);
