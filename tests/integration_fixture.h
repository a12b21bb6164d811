// Fixture of the integration tests: a setup folder of the test's own whose
// SUPPORT\ folder holds exactly the modules the test puts there, and an
// empty application table.
#pragma once

#include "integration/app_table.h"
#include "tests/support/library_test.h"
#include "tests/support/scratch_folder.h"

#include <string>
#include <vector>

namespace txr::test {

// Where the build puts the modules: the tests' own beside the test
// programs, the shipped samples in the build folder's modules\.
std::string TestModuleFolder();
std::string SampleModuleFolder();

class IntegrationTest : public LibraryTest {
protected:
    IntegrationTest();
    ~IntegrationTest() override;

    // Copies a built test module (AITHREE.DLL, ...) into SUPPORT\, under
    // its own name or as another.
    void AddTestModule(const std::string& name, const std::string& as = "");
    void AddSampleModule(const std::string& name);
    // A copy of the probe module named as (AIPROBE.DLL, AIPROBE2.DLL, ...)
    // with these settings (see modules/test/ai_probe.cpp).
    void AddProbe(const std::string& settings, const std::string& as = "AIPROBE.DLL");
    // The lines the probe named as has logged so far, and forgetting them.
    std::vector<std::string> ProbeLog(const std::string& as = "AIPROBE.DLL") const;
    void ClearProbeLog(const std::string& as = "AIPROBE.DLL") const;
    // Only the "code=.. index=.." lines of the log, as "code/index".
    std::vector<std::string> ProbeCalls(const std::string& as = "AIPROBE.DLL") const;

    // The setup folder (with a trailing backslash) and its SUPPORT\ folder.
    const std::string& setup() const { return setup_; }
    std::string support() const { return setup_ + "SUPPORT\\"; }

    AppTable& table() { return Apps(); }
    AppRecord& record(int i) { return Apps().Records[i]; }

    ScratchFolder scratch_;
    std::string setup_;
};

// "HKLM\...\Apps\<key>" relative to HKEY_LOCAL_MACHINE.
std::string AppKey(const std::string& keyName);

}  // namespace txr::test

namespace txr::test {

// A top-level window standing in for a wizard page: progress bar 1009,
// status texts 1010 and 1014 and progress line 1036.  It records, in one
// sequence, every text its controls are given and every message its
// progress bar receives.
class PageWindow {
public:
    struct Event {
        int control;
        UINT message;  // WM_SETTEXT for a text, else a progress bar message
        WPARAM wParam;
        LPARAM lParam;
        std::string text;
    };

    PageWindow();
    ~PageWindow();
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;

    HWND hwnd() const { return window_; }
    const std::vector<Event>& events() const { return events_; }
    // Every text control id was given, in order.
    std::vector<std::string> texts(int id) const;
    // The bar's current position.
    int barPosition() const;

private:
    static LRESULT CALLBACK Record(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::vector<Event> events_;
};

}  // namespace txr::test
