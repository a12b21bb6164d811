#include "registration/message_text.h"

#include "setup/library_state.h"

namespace txr {
namespace {

constexpr int kBufferCount = 3;
constexpr int kBufferSize = 256;

char g_buffers[kBufferCount][kBufferSize];
int g_next = 0;

}  // namespace

const char* LoadMessageText(int message) {
    char* buffer = g_buffers[g_next];
    g_next = (g_next + 1) % kBufferCount;
    buffer[0] = '\0';
    // String resources are numbered in 16 bits; anything else would be
    // taken by the loader as a resource name pointer.
    if (message >= 0 && message <= 0xFFFF) {
        // 255 characters of room including the terminator: at most 254.
        LoadStringA(Library().module, static_cast<UINT>(message), buffer, kMessageTextMax + 1);
    }
    return buffer;
}

}  // namespace txr

extern "C" LPCSTR WINAPI TXRRegString(int message) { return txr::LoadMessageText(message); }
