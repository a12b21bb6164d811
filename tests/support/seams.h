// Test-side ends of the library's seams: scripted message boxes, registry
// calls made to fail, and a clock that does not really wait.  Each installs
// itself on construction and removes itself on destruction.
#pragma once

#include "platform/clock.h"
#include "platform/file_api.h"
#include "platform/prompt.h"
#include "platform/registry_api.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace txr::test {

// Records every message box and answers from a script.  Without a scripted
// answer a box is answered with its first button (IDOK, IDYES, ...).
class ScriptedPrompts {
public:
    struct Shown {
        HWND owner;
        std::string text;
        std::string caption;  // "<default>" for a null caption
        UINT style;
    };

    ScriptedPrompts();
    ~ScriptedPrompts();
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // Queues the answer of the next box that is shown.
    void Answer(int button) { answers_.push_back(button); }
    const std::vector<Shown>& shown() const { return shown_; }

private:
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};

// Sees every registry call of the library; rules decide which fail.
class RegistryFaults {
public:
    using Rule = std::function<bool(const reg::Call&)>;

    RegistryFaults();
    ~RegistryFaults();
    RegistryFaults(const RegistryFaults&) = delete;
    RegistryFaults& operator=(const RegistryFaults&) = delete;

    // Calls for which rule holds fail with status (every time).
    void FailWhen(Rule rule, LONG status = ERROR_ACCESS_DENIED);
    // The call of kind op whose key path with name (reg::Describe) ends with
    // target, compared ignoring case, fails.
    void Fail(reg::Op op, const std::string& target, LONG status = ERROR_ACCESS_DENIED);
    // The n-th call (1-based) of the whole run fails.
    void FailNth(unsigned n, LONG status = ERROR_ACCESS_DENIED);

    unsigned callCount() const { return count_; }
    const std::vector<reg::Call>& calls() const { return calls_; }
    // How many calls were made to fail.
    unsigned failures() const { return failed_; }

private:
    LONG Judge(const reg::Call& call);

    struct Entry { Rule rule; LONG status; };
    std::vector<Entry> rules_;
    std::vector<reg::Call> calls_;
    unsigned count_ = 0;
    unsigned failed_ = 0;
};

// Makes the file calls of the library whose op matches and whose source
// ends with a suffix (ignoring case) fail, every time.
class FileFaults {
public:
    FileFaults();
    ~FileFaults();
    FileFaults(const FileFaults&) = delete;
    FileFaults& operator=(const FileFaults&) = delete;

    void Fail(file::Op op, const std::string& sourceSuffix, DWORD error = ERROR_SHARING_VIOLATION);

private:
    struct Entry { file::Op op; std::string suffix; DWORD error; };
    std::vector<Entry> rules_;
};

// A run stopped at one step, as if its process had been killed there: the
// registry and file calls of the library are counted together (steps 1,
// 2, ...), and from step `stopAt` on every call fails without doing
// anything, so that nothing the run does afterwards reaches the registry
// or the disk.  With stopAt 0 nothing is stopped and the steps are counted.
class StoppedRun {
public:
    explicit StoppedRun(unsigned stopAt = 0);
    ~StoppedRun();
    StoppedRun(const StoppedRun&) = delete;
    StoppedRun& operator=(const StoppedRun&) = delete;

    // Steps seen so far, the stopped one and those after it included.
    unsigned steps() const { return steps_; }
    // What the stopped step was (empty while none was stopped).
    const std::string& stoppedStep() const { return stopped_; }

private:
    bool Stops(const std::string& what);

    unsigned stopAt_;
    unsigned steps_ = 0;
    std::string stopped_;
};

// True when Describe(call) ends with suffix, ignoring case.
bool EndsWithNoCase(const std::string& text, const std::string& suffix);

// A clock whose pauses only move its tick count forward.
class FakeClock : public clock::Clock {
public:
    explicit FakeClock(DWORD start = 100000);
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    DWORD TickCount() override { ++reads_; return now_ += advancePerRead_; }
    void Pause(DWORD ms) override { now_ += ms; paused_ += ms; pauses_.push_back(ms); }

    // Each read of the tick count also moves it forward by ms.
    void AdvancePerRead(DWORD ms) { advancePerRead_ = ms; }
    DWORD now() const { return now_; }
    unsigned long long totalPaused() const { return paused_; }
    const std::vector<DWORD>& pauses() const { return pauses_; }

private:
    DWORD now_;
    DWORD advancePerRead_ = 0;
    unsigned long long paused_ = 0;
    unsigned reads_ = 0;
    std::vector<DWORD> pauses_;
};

}  // namespace txr::test
