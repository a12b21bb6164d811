// Shared by the test modules: answers for the codes that most of them
// answer alike.  Each module announces applications named "<prefix><n>"
// (key) and "<Prefix> App <n>" (display), of location kind 4 at C:\<prefix>\.
#pragma once

#include "modules/module_export.h"

#include <cstdio>

namespace test_module {

// The answer to every code but 6 and 7; count is the number announced.
inline int CommonAnswer(const char* prefix, int count, int code, int index, void* data) {
    char* text = static_cast<char*>(data);
    switch (code) {
    case txr::AI_COUNT: return count;
    case txr::AI_KEYNAME:
        std::snprintf(text, txr::kAiKeyNameSize, "%s%02d", prefix, index);
        return 1;
    case txr::AI_DISPLAYNAME:
        std::snprintf(text, txr::kAiDisplayNameSize, "%s App %d", prefix, index);
        return 1;
    case txr::AI_LOCATION:
        std::snprintf(text, txr::kAiDefaultPathSize, "C:\\%s\\", prefix);
        return static_cast<int>(txr::kKindModuleKnows);
    case txr::AI_FILENAMES: static_cast<txr::FileNameRequest*>(data)->FileNameCount = 0; return 1;
    default: return 0;
    }
}

}  // namespace test_module
