#include "tests/support/seams.h"

#include <algorithm>
#include <cctype>

namespace txr::test {

ScriptedPrompts::ScriptedPrompts() {
    prompt::SetMessageBoxHook([this](const prompt::MessageBoxRequest& request) {
        shown_.push_back(Shown{request.owner, request.text ? request.text : "",
                               request.caption ? request.caption : "<default>", request.style});
        if (!answers_.empty()) {
            int answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        switch (request.style & MB_TYPEMASK) {
        case MB_YESNO:
        case MB_YESNOCANCEL: return IDYES;
        case MB_RETRYCANCEL: return IDRETRY;
        case MB_ABORTRETRYIGNORE: return IDABORT;
        default: return IDOK;
        }
    });
}

ScriptedPrompts::~ScriptedPrompts() { prompt::SetMessageBoxHook({}); }

RegistryFaults::RegistryFaults() {
    reg::SetFaultHook([this](const reg::Call& call) { return Judge(call); });
}

RegistryFaults::~RegistryFaults() { reg::SetFaultHook({}); }

LONG RegistryFaults::Judge(const reg::Call& call) {
    ++count_;
    calls_.push_back(call);
    for (const Entry& entry : rules_) {
        if (entry.rule(call)) {
            ++failed_;
            return entry.status;
        }
    }
    return ERROR_SUCCESS;
}

void RegistryFaults::FailWhen(Rule rule, LONG status) {
    rules_.push_back(Entry{std::move(rule), status});
}

void RegistryFaults::Fail(reg::Op op, const std::string& target, LONG status) {
    FailWhen([op, target](const reg::Call& call) {
        return call.op == op && EndsWithNoCase(reg::Describe(call), target);
    }, status);
}

void RegistryFaults::FailNth(unsigned n, LONG status) {
    FailWhen([this, n](const reg::Call&) { return count_ == n; }, status);
}

FileFaults::FileFaults() {
    file::SetFaultHook([this](const file::Call& call) -> DWORD {
        for (const Entry& entry : rules_) {
            if (entry.op == call.op && EndsWithNoCase(call.source, entry.suffix)) return entry.error;
        }
        return ERROR_SUCCESS;
    });
}

FileFaults::~FileFaults() { file::SetFaultHook({}); }

void FileFaults::Fail(file::Op op, const std::string& sourceSuffix, DWORD error) {
    rules_.push_back(Entry{op, sourceSuffix, error});
}

namespace {

const char* OpName(reg::Op op) {
    static const char* const names[] = {"Open",    "Create",    "QueryValue", "SetValue",
                                        "EnumKey", "EnumValue", "QueryInfo",  "DeleteKey",
                                        "DeleteValue", "Close"};
    return names[static_cast<int>(op)];
}

const char* OpName(file::Op op) {
    static const char* const names[] = {"CopyFile", "MoveFile", "DeleteFile"};
    return names[static_cast<int>(op)];
}

}  // namespace

StoppedRun::StoppedRun(unsigned stopAt) : stopAt_(stopAt) {
    reg::SetFaultHook([this](const reg::Call& call) -> LONG {
        bool stopped = Stops(std::string(OpName(call.op)) + " " + reg::Describe(call));
        return stopped ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    });
    file::SetFaultHook([this](const file::Call& call) -> DWORD {
        bool stopped = Stops(std::string(OpName(call.op)) + " " + call.source);
        return stopped ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    });
}

StoppedRun::~StoppedRun() {
    reg::SetFaultHook({});
    file::SetFaultHook({});
}

bool StoppedRun::Stops(const std::string& what) {
    ++steps_;
    if (stopAt_ == 0 || steps_ < stopAt_) return false;
    if (steps_ == stopAt_) stopped_ = what;
    return true;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    if (suffix.size() > text.size()) return false;
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

FakeClock::FakeClock(DWORD start) : now_(start) { clock::SetClock(this); }

FakeClock::~FakeClock() { clock::SetClock(nullptr); }

}  // namespace txr::test
