// What the modules of this folder share: the protocol, bounded text copies,
// and the declaration of the one export.  With -Wl,--kill-at the export is
// named "AIEntry", without the stdcall decoration.
#pragma once

#include "integration/module_protocol.h"
#include "platform/bounded_text.h"

#include <windows.h>

#define AI_EXPORT extern "C" __declspec(dllexport)

AI_EXPORT int WINAPI AIEntry(int code, int index, void* data);
