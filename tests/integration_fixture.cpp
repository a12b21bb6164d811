#include "tests/integration_fixture.h"

#include "platform/bounded_text.h"
#include "setup/library_state.h"

#include <commctrl.h>

#include <cstdio>
#include <sstream>

namespace txr::test {

std::string TestModuleFolder() { return ProgramFolder() + "modules\\"; }
std::string SampleModuleFolder() { return ProgramFolder() + "..\\modules\\"; }

IntegrationTest::IntegrationTest() {
    // A blank in the path, so that the short form handed to modules differs.
    setup_ = scratch_ / "Setup Folder\\";
    MakeFolders(support());
    text::Copy(Library().setupDirectory, setup_.c_str());
    ResetInstallPathToSetupDirectory();
    Apps() = AppTable{};
}

IntegrationTest::~IntegrationTest() { Apps() = AppTable{}; }

void IntegrationTest::AddTestModule(const std::string& name, const std::string& as) {
    std::string target = support() + (as.empty() ? name : as);
    ASSERT_TRUE(CopyFileA((TestModuleFolder() + name).c_str(), target.c_str(), FALSE))
        << "cannot copy test module " << name;
}

void IntegrationTest::AddSampleModule(const std::string& name) {
    ASSERT_TRUE(CopyFileA((SampleModuleFolder() + name).c_str(), (support() + name).c_str(), FALSE))
        << "cannot copy sample module " << name;
}

void IntegrationTest::AddProbe(const std::string& settings, const std::string& as) {
    AddTestModule("AIPROBE.DLL", as);
    std::string base = as.substr(0, as.find_last_of('.'));
    WriteFile(support() + base + ".INI", settings);
}

std::vector<std::string> IntegrationTest::ProbeLog(const std::string& as) const {
    std::string base = as.substr(0, as.find_last_of('.'));
    std::istringstream log(ReadFile(support() + base + ".LOG"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void IntegrationTest::ClearProbeLog(const std::string& as) const {
    std::string base = as.substr(0, as.find_last_of('.'));
    DeleteFileA((support() + base + ".LOG").c_str());
}

std::vector<std::string> IntegrationTest::ProbeCalls(const std::string& as) const {
    std::vector<std::string> calls;
    for (const std::string& line : ProbeLog(as)) {
        int code = 0, index = 0;
        if (std::sscanf(line.c_str(), "code=%d index=%d", &code, &index) == 2) {
            calls.push_back(std::to_string(code) + "/" + std::to_string(index));
        }
    }
    return calls;
}

std::string AppKey(const std::string& keyName) {
    return "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps\\" + keyName;
}

}  // namespace txr::test

namespace txr::test {
namespace {

constexpr char kPageClass[] = "TxrTestPage";
constexpr char kOwnerProperty[] = "TxrTestPageOwner";
constexpr char kPreviousProperty[] = "TxrTestPagePrevious";

void RegisterPageClass() {
    static bool registered = false;
    if (registered) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kPageClass;
    RegisterClassA(&windowClass);
    registered = true;
}

}  // namespace

PageWindow::PageWindow() {
    RegisterPageClass();
    // Not shown: under Wine without a window manager, destroying a shown
    // top-level window waits two seconds.
    window_ = CreateWindowExA(0, kPageClass, "Test Page", WS_OVERLAPPEDWINDOW, 10, 10,
                              500, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    struct Child { const char* windowClass; int id; int y; };
    for (Child child : {Child{PROGRESS_CLASSA, 1009, 10}, Child{"STATIC", 1010, 40},
                        Child{"STATIC", 1014, 70}, Child{"STATIC", 1036, 100}}) {
        HWND control = CreateWindowExA(0, child.windowClass, "", WS_CHILD | WS_VISIBLE, 10, child.y,
                                       400, 20, window_, reinterpret_cast<HMENU>(
                                           static_cast<INT_PTR>(child.id)),
                                       GetModuleHandleA(nullptr), nullptr);
        SetPropA(control, kOwnerProperty, this);
        SetPropA(control, kPreviousProperty,
                 reinterpret_cast<HANDLE>(SetWindowLongPtrA(
                     control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageWindow::Record))));
    }
}

PageWindow::~PageWindow() { DestroyWindow(window_); }

LRESULT CALLBACK PageWindow::Record(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = static_cast<PageWindow*>(GetPropA(control, kOwnerProperty));
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(control, kPreviousProperty));
    int id = GetDlgCtrlID(control);
    if (owner && message == WM_SETTEXT && lParam) {
        owner->events_.push_back(
            Event{id, message, wParam, lParam, reinterpret_cast<const char*>(lParam)});
    }
    if (owner && id == 1009 && message >= WM_USER && message < WM_USER + 64) {
        owner->events_.push_back(Event{id, message, wParam, lParam, ""});
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(control, kOwnerProperty);
        RemovePropA(control, kPreviousProperty);
    }
    return CallWindowProcA(previous, control, message, wParam, lParam);
}

std::vector<std::string> PageWindow::texts(int id) const {
    std::vector<std::string> result;
    for (const Event& event : events_) {
        if (event.control == id && event.message == WM_SETTEXT) result.push_back(event.text);
    }
    return result;
}

int PageWindow::barPosition() const {
    return static_cast<int>(SendDlgItemMessageA(window_, 1009, PBM_GETPOS, 0, 0));
}

}  // namespace txr::test
