// The binary protocol between the setup library and an integration module
// AI*.DLL: one exported entry point, AIEntry(code, index, data), called with
// the Win32 calling convention, and the fixed blocks some codes carry.
//
// This header is shared with the modules the project builds (modules/), so
// it holds nothing but the protocol itself.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace txr {

// The entry point every module exports by the undecorated name "AIEntry".
using AIEntryFunction = int(WINAPI*)(int code, int index, void* data);
constexpr const char* kEntryPointName = "AIEntry";

// Requests, as the first argument of AIEntry.
enum AIEntryCode : int {
    AI_COUNT = 0,         // data null; result: number of applications served
    AI_DISPLAYNAME = 1,   // data: 40-byte buffer; result 1 with the name in it
    AI_INFOTEXT1 = 2,     // data: description buffer position; writes a text
    AI_INFOTEXT2 = 3,
    AI_INFOTEXT3 = 4,
    AI_LOCATION = 5,      // data: 260-byte buffer (default path); result: kind and flags
    AI_INTEGRATE = 6,     // data: IntegrationRequest; result 1 when integrated
    AI_REMOVE = 7,        // data: IntegrationRequest; result 1 when removed
    AI_KEYNAME = 8,       // data: 20-byte buffer; result 1 with the key name in it
    AI_PAGEINFO = 9,      // data: 16-byte buffer the module may fill
    AI_VISIBILITY = 12,   // data null; result 10 keeps the application out of the list
    AI_FILENAMES = 13,    // data: FileNameRequest
};

// Sizes of the buffers handed with the codes above.
constexpr std::size_t kAiKeyNameSize = 20;
constexpr std::size_t kAiDisplayNameSize = 40;
constexpr std::size_t kAiDefaultPathSize = 260;
constexpr std::size_t kAiPageInfoSize = 16;
constexpr std::size_t kAiFileNameMax = 5;
constexpr std::size_t kAiFileNameSize = 64;
constexpr std::size_t kAiRequestPathSize = 256;
constexpr std::size_t kAiSaveDataSize = 1024;
// The three information texts and their two separators share this much.
constexpr std::size_t kAiInfoTextSize = 768;

// Result of AI_VISIBILITY that keeps an application out of the list.
constexpr int kHiddenFromList = 10;

// Location kind (low 16 bits of the AI_LOCATION result) and flags (high).
constexpr std::uint32_t kKindMask = 0xFFFF;
constexpr std::uint32_t kKindNotPresent = 2;     // cannot be integrated here
constexpr std::uint32_t kKindFoundByScan = 3;    // found on disk by its file names
constexpr std::uint32_t kKindModuleKnows = 4;    // the module knows the location
constexpr std::uint32_t kFlagAutomaticLow = 0x10000;
constexpr std::uint32_t kFlagNoDefaultPath = 0x20000;
constexpr std::uint32_t kFlagAutomaticHigh = 0x40000;
// Either bit: the application finds the viewer by itself.
constexpr std::uint32_t kFlagAutomatic = kFlagAutomaticLow | kFlagAutomaticHigh;

// The block of AI_FILENAMES: up to five identifying file names of 63
// characters each.
struct FileNameRequest {
    std::uint32_t FileNameCount;
    char FileNames[kAiFileNameMax][kAiFileNameSize];
};

// The block of AI_INTEGRATE and AI_REMOVE.  SaveData points at the
// setup's own 1024-byte buffer, which the module writes into directly;
// SaveDataPresent and SaveDataLength are read back after AI_INTEGRATE.
struct IntegrationRequest {
    char AppPath[kAiRequestPathSize];
    char ProgramFolder[kAiRequestPathSize];
    std::int32_t SaveDataPresent;
    std::uint32_t SaveDataLength;
    BYTE* SaveData;
    HWND Owner;
    std::int32_t Unattended;  // meaningful with AI_INTEGRATE only
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(FileNameRequest) == 324, "AI_FILENAMES block is 324 bytes");
static_assert(offsetof(FileNameRequest, FileNames) == 4, "names follow the count");

static_assert(sizeof(IntegrationRequest) == 532, "IntegrationRequest is 532 bytes");
static_assert(offsetof(IntegrationRequest, AppPath) == 0, "layout");
static_assert(offsetof(IntegrationRequest, ProgramFolder) == 256, "layout");
static_assert(offsetof(IntegrationRequest, SaveDataPresent) == 512, "layout");
static_assert(offsetof(IntegrationRequest, SaveDataLength) == 516, "layout");
static_assert(offsetof(IntegrationRequest, SaveData) == 520, "layout");
static_assert(offsetof(IntegrationRequest, Owner) == 524, "layout");
static_assert(offsetof(IntegrationRequest, Unattended) == 528, "layout");
#endif

}  // namespace txr
