// Closing running viewers: the close request to a real TxrManWnd window and
// the five-second wait on the tick count, across its wrap too.
#include "setup/shutdown.h"

#include "tests/support/library_test.h"
#include "tests/support/seams.h"

#include <atomic>
#include <thread>

namespace txr::test {
namespace {

std::atomic<int> g_closeRequests{0};

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) ++g_closeRequests;
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A stand-in viewer: a top-level window of the viewer's class with its own
// message loop on another thread, which closes on WM_CLOSE.
class FakeViewer {
public:
    FakeViewer() {
        thread_ = std::thread([this] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = ViewerWindowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = kViewerWindowClass;
            RegisterClassA(&windowClass);
            window_ = CreateWindowA(kViewerWindowClass, "Orbisel", WS_OVERLAPPED, 0, 0, 100, 100,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            ready_ = true;
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        });
        while (!ready_) Sleep(1);
    }
    ~FakeViewer() {
        if (IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }

private:
    std::thread thread_;
    std::atomic<bool> ready_{false};
    HWND window_ = nullptr;
};

using ShutdownTest = LibraryTest;

TEST_F(ShutdownTest, WithoutAViewerReturnsAtOnce) {
    FakeClock clock;
    EXPECT_EQ(0, TXRShutdown(0));
    EXPECT_EQ(0u, clock.totalPaused());
}

TEST_F(ShutdownTest, ARunningViewerIsAskedToCloseAndGivenFiveSeconds) {
    g_closeRequests = 0;
    FakeViewer viewer;
    ASSERT_TRUE(IsWindow(viewer.window()));
    FakeClock clock;
    DWORD start = clock.now();
    EXPECT_EQ(0, TXRShutdown(0));
    EXPECT_EQ(5000u, clock.now() - start);
    // The request is posted; the viewer's thread handles it in its own time.
    for (int i = 0; i < 200 && IsWindow(viewer.window()); ++i) Sleep(10);
    EXPECT_EQ(1, g_closeRequests.load());
    EXPECT_FALSE(IsWindow(viewer.window()));
}

TEST_F(ShutdownTest, TheWaitSurvivesTheWrapOfTheTickCount) {
    FakeViewer viewer;
    FakeClock clock(0xFFFFF000u);  // 4096 ms before the wrap
    EXPECT_EQ(0, TXRShutdown(0));
    EXPECT_EQ(5000u, clock.now() - 0xFFFFF000u);
    EXPECT_LT(clock.now(), 0x1000u) << "the counter wrapped during the wait";
}

TEST_F(ShutdownTest, TheWaitEndsAlsoWhenTicksJumpPastIt) {
    FakeViewer viewer;
    FakeClock clock;
    clock.AdvancePerRead(3000);
    EXPECT_EQ(0, TXRShutdown(12345));
    EXPECT_LE(clock.totalPaused(), 2000u);
}

}  // namespace
}  // namespace txr::test
