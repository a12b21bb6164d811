// wizard_driver.exe: walks the setup wizard of a real TXRSETUP.EXE from
// outside, the way a user would, and writes down what it saw.
//
//   wizard_driver.exe LOG SHOTS SETUP-COMMAND-LINE STEP...
//
//   LOG    file that receives one line per page (its dialog number, the
//          sheet's caption, the wizard buttons on offer and the text of
//          every visible control of the page, list rows included) and one
//          with the page's layout (where each control, hidden ones too, lies
//          in the sheet's screenshot), one line per message box, every button pressed and
//          the setup's exit code
//   SHOTS  folder for screenshot requests, or "-" for none (see Screenshot)
//   STEP   PAGE=BUTTON or PAGE=BUTTON:NAME: when the page made from dialog
//          PAGE is active, press BUTTON (next, back, finish or cancel); with
//          NAME, also take a screenshot named NAME shortly after the press,
//          while the page carries out what the button started (the install,
//          the drive scan, the integrations)
//
// The driver starts the setup, waits for its sheet, and for each step waits
// until the step's page is active, logs it, asks for its screenshot and
// presses the button.  After the last step it expects the closing message
// box, logs and photographs it and answers it with OK, then waits for the
// setup to end.  Exit code 0 when every step met its page, no other message
// box came up, the closing box came and the setup ended with 0; otherwise 1
// (the log says why).  A setup that is still running at the end is ended.
//
// Screenshot: the driver writes SHOTS\NN-name.req (NN counts the shots)
// holding the sheet's or the box's window rectangle on the screen as
// "left top width height", and waits until that file is gone.  The script
// that started the driver takes the picture from the X display in the
// meantime.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kNextButton = 0x3024;
constexpr int kBackButton = 0x3023;
constexpr int kFinishButton = 0x3025;
constexpr int kMessageBoxText = 0xFFFF;
constexpr DWORD kMessageTimeoutMs = 5000;
// The install, the drive scan and the integrations run inside page
// notifications, so a page may take a while to make way for the next.
constexpr DWORD kPageTimeoutMs = 180000;
constexpr DWORD kSheetTimeoutMs = 60000;
constexpr DWORD kBoxTimeoutMs = 30000;
constexpr DWORD kShotTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;

// ---------------------------------------------------------------------------
// The log.

FILE* g_log = nullptr;
int g_failures = 0;

void Log(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vector<char> line(4096);
    std::vsnprintf(line.data(), line.size(), format, arguments);
    va_end(arguments);
    std::fprintf(g_log ? g_log : stdout, "%s\n", line.data());
    if (g_log) std::fflush(g_log);
    std::printf("%s\n", line.data());
}

void Fail(const std::string& why) {
    ++g_failures;
    Log("FAIL %s", why.c_str());
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\r') continue;
        quoted += c == '\n' ? ' ' : c;
    }
    return quoted + "\"";
}

// ---------------------------------------------------------------------------
// Talking to windows of the setup's thread.

// Sends a message that carries no pointers; 0 when the window's thread does
// not answer in time.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeoutMs,
                             &result)) {
        return 0;
    }
    return static_cast<LRESULT>(result);
}

// WM_GETTEXT, which the platform carries across processes.
std::string TextOf(HWND window) {
    char text[2048] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, kMessageTimeoutMs, &copied)) {
        return "";
    }
    text[sizeof text - 1] = '\0';
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Lets the setup's thread handle what is waiting for it (the buttons a page
// posts when it becomes active, and painting).
void Settle(HWND window) {
    Ask(window, WM_NULL);
    Sleep(400);
    Ask(window, WM_NULL);
}

// Memory in the setup's process, for the list view messages whose
// parameters point at structures (the platform does not carry those across).
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool valid() const { return address_ != nullptr; }
    char* at(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr) != 0;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr) != 0;
    }

private:
    HANDLE process_;
    void* address_;
};

constexpr SIZE_T kRemoteTextOffset = 256;
constexpr SIZE_T kRemoteTextSize = 512;

std::string ListItemText(HANDLE process, HWND list, int item, int column) {
    RemoteBuffer buffer(process, kRemoteTextOffset + kRemoteTextSize);
    if (!buffer.valid()) return "?";
    LVITEMA query{};
    query.mask = LVIF_TEXT;
    query.iItem = item;
    query.iSubItem = column;
    query.pszText = buffer.at(kRemoteTextOffset);
    query.cchTextMax = kRemoteTextSize;
    char text[kRemoteTextSize] = "";
    if (!buffer.Write(0, &query, sizeof query) || !buffer.Write(kRemoteTextOffset, text, 1)) {
        return "?";
    }
    Ask(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(buffer.at(0)));
    if (!buffer.Read(kRemoteTextOffset, text, sizeof text)) return "?";
    text[sizeof text - 1] = '\0';
    return text;
}

std::string ListColumnTitle(HANDLE process, HWND list, int column) {
    RemoteBuffer buffer(process, kRemoteTextOffset + kRemoteTextSize);
    if (!buffer.valid()) return "?";
    LVCOLUMNA query{};
    query.mask = LVCF_TEXT;
    query.pszText = buffer.at(kRemoteTextOffset);
    query.cchTextMax = kRemoteTextSize;
    char text[kRemoteTextSize] = "";
    if (!buffer.Write(0, &query, sizeof query) || !buffer.Write(kRemoteTextOffset, text, 1)) {
        return "?";
    }
    if (!Ask(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(buffer.at(0)))) return "";
    if (!buffer.Read(kRemoteTextOffset, text, sizeof text)) return "?";
    text[sizeof text - 1] = '\0';
    return text;
}

// "list [Application|Action] "Quillpad Editor" 4 "Enable Integration"; ...":
// column titles, then each row's text, state picture and second column.
std::string DescribeList(HANDLE process, HWND list) {
    std::string description = "list [";
    HWND header = reinterpret_cast<HWND>(Ask(list, LVM_GETHEADER));
    int columns = header ? static_cast<int>(Ask(header, HDM_GETITEMCOUNT)) : 0;
    for (int column = 0; column < columns; ++column) {
        if (column) description += "|";
        description += ListColumnTitle(process, list, column);
    }
    description += "]";
    int rows = static_cast<int>(Ask(list, LVM_GETITEMCOUNT));
    for (int row = 0; row < rows; ++row) {
        int picture = static_cast<int>(
            Ask(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12);
        description += row ? "; " : " ";
        description += Quoted(ListItemText(process, list, row, 0)) + " " +
                       std::to_string(picture);
        for (int column = 1; column < columns; ++column) {
            description += " " + Quoted(ListItemText(process, list, row, column));
        }
    }
    return description;
}

// One control: its number and what it shows.
std::string DescribeControl(HANDLE process, HWND control) {
    std::string kind = ClassOf(control);
    std::string description = std::to_string(GetDlgCtrlID(control) & 0xFFFF) + " ";
    if (lstrcmpiA(kind.c_str(), WC_LISTVIEWA) == 0) return description + DescribeList(process, control);
    if (lstrcmpiA(kind.c_str(), PROGRESS_CLASSA) == 0) {
        return description + "progress " + std::to_string(Ask(control, PBM_GETPOS)) + "/" +
               std::to_string(Ask(control, PBM_GETRANGE, FALSE, 0));
    }
    if (lstrcmpiA(kind.c_str(), "Button") == 0) {
        LONG style = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        if (style == BS_AUTOCHECKBOX || style == BS_CHECKBOX) {
            description += Ask(control, BM_GETCHECK) == BST_CHECKED ? "[x] " : "[ ] ";
        }
        if (!IsWindowEnabled(control)) description += "(disabled) ";
    }
    return description + Quoted(TextOf(control));
}

struct ChildList {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    auto* list = reinterpret_cast<ChildList*>(context);
    if (GetParent(child) == list->parent) list->children.push_back(child);
    return TRUE;
}

// The page's own controls (not their children, like a list's header).
std::vector<HWND> Controls(HWND parent) {
    ChildList list{parent, {}};
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&list));
    return list.children;
}

// ---------------------------------------------------------------------------
// The sheet and the message boxes of the setup's thread.

struct ThreadWindows {
    HWND sheet = nullptr;  // a visible dialog with the wizard's Next button
    HWND box = nullptr;    // any other visible dialog
};

BOOL CALLBACK SortWindow(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<ThreadWindows*>(context);
    if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
    if (GetDlgItem(window, kNextButton)) {
        if (!found->sheet) found->sheet = window;
    } else if (!found->box) {
        found->box = window;
    }
    return TRUE;
}

ThreadWindows FindWindows(DWORD thread) {
    ThreadWindows found;
    EnumThreadWindows(thread, &SortWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Dialog number of the sheet's active page, 0 when there is none (or the
// sheet is busy).
int ActivePage(HWND sheet) {
    HWND page = reinterpret_cast<HWND>(Ask(sheet, PSM_GETCURRENTPAGEHWND));
    if (!page) return 0;
    LRESULT index = Ask(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page));
    if (index < 0) return 0;
    return static_cast<int>(Ask(sheet, PSM_INDEXTOID, static_cast<WPARAM>(index)));
}

std::string WizardButtons(HWND sheet) {
    std::string buttons;
    const struct {
        int id;
        const char* name;
    } all[] = {{kBackButton, "Back"}, {kNextButton, "Next"}, {kFinishButton, "Finish"},
               {IDCANCEL, "Cancel"}};
    for (const auto& button : all) {
        HWND control = GetDlgItem(sheet, button.id);
        if (control && IsWindowVisible(control) && IsWindowEnabled(control)) {
            if (!buttons.empty()) buttons += ",";
            buttons += button.name;
        }
    }
    return buttons;
}

// "ID left,top,width,height": where a control lies in the sheet's
// screenshot (pixels from the sheet window's top left corner).
std::string Placement(HWND sheet, HWND control) {
    RECT frame, area;
    GetWindowRect(sheet, &frame);
    GetWindowRect(control, &area);
    return std::to_string(GetDlgCtrlID(control) & 0xFFFF) + " " +
           std::to_string(area.left - frame.left) + "," + std::to_string(area.top - frame.top) +
           "," + std::to_string(area.right - area.left) + "," +
           std::to_string(area.bottom - area.top);
}

// Two lines: the page with its title, buttons and the texts of its visible
// controls, and the layout of all its controls.
void LogPage(HANDLE process, HWND sheet, int pageId) {
    HWND page = reinterpret_cast<HWND>(Ask(sheet, PSM_GETCURRENTPAGEHWND));
    std::string line = "page " + std::to_string(pageId) + " " + Quoted(TextOf(sheet)) +
                       " buttons=" + WizardButtons(sheet);
    std::string layout = "layout " + std::to_string(pageId);
    if (page) {
        for (HWND control : Controls(page)) {
            // Hidden controls only in the layout: the left panel's marker.
            if (IsWindowVisible(control)) line += " | " + DescribeControl(process, control);
            layout += " | " + Placement(sheet, control);
        }
    }
    Log("%s", line.c_str());
    Log("%s", layout.c_str());
}

// A message box's text is its static control 0xFFFF.
std::string BoxText(HWND box) {
    HWND control = GetDlgItem(box, kMessageBoxText);
    return control ? TextOf(control) : "";
}

// Answers a box with its OK button (or its default one).
void AnswerBox(HWND box) {
    HWND button = GetDlgItem(box, IDOK);
    int id = IDOK;
    if (!button) {
        LRESULT defaultId = Ask(box, DM_GETDEFID);
        if (HIWORD(defaultId) == DC_HASDEFID) id = LOWORD(defaultId);
        button = GetDlgItem(box, id);
    }
    Log("press %s", Quoted(button ? TextOf(button) : "OK").c_str());
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// ---------------------------------------------------------------------------
// Screenshots.

std::string g_shotFolder;
int g_shotCount = 0;

// settle: let the window's thread catch up first; without it the picture
// shows the screen as it is, also while that thread is busy.
void Screenshot(HWND window, const std::string& name, bool settle = true) {
    if (g_shotFolder.empty()) return;
    if (settle) Settle(window);
    RECT area;
    GetWindowRect(window, &area);
    char number[8];
    std::snprintf(number, sizeof number, "%02d", ++g_shotCount);
    std::string base = g_shotFolder + "\\" + number + "-" + name;
    std::string request = base + ".req";
    std::string partial = base + ".tmp";
    FILE* file = std::fopen(partial.c_str(), "w");
    if (!file) {
        Fail("cannot write " + partial);
        return;
    }
    std::fprintf(file, "%ld %ld %ld %ld\n", area.left, area.top, area.right - area.left,
                 area.bottom - area.top);
    std::fclose(file);
    if (!MoveFileExA(partial.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        Fail("cannot write " + request);
        return;
    }
    DWORD started = GetTickCount();
    while (GetFileAttributesA(request.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - started > kShotTimeoutMs) {
            DeleteFileA(request.c_str());
            Fail("no screenshot taken for " + std::string(number) + "-" + name);
            return;
        }
        Sleep(kPollMs);
    }
    Log("shot %s-%s", number, name.c_str());
}

std::string PageName(int pageId) {
    switch (pageId) {
    case 12037: return "welcome";
    case 12030: return "success";
    case 12032: return "program-scan";
    case 12033: return "integrate";
    case 113: return "plugins";
    case 12038: return "setup-error";
    default: return "page-" + std::to_string(pageId);
    }
}

// ---------------------------------------------------------------------------
// The walk.

struct Step {
    int page;
    int button;  // PSBTN_*
    std::string name;
    std::string busyShot;  // screenshot taken while the button's work runs
};

// How long after a press the busy screenshot is taken: past the first
// steps of the install's progress bar and well inside a one-second pause
// of the integrations.
constexpr DWORD kBusyShotDelayMs = 700;

bool ParseStep(const char* text, Step& step) {
    const char* equals = std::strchr(text, '=');
    if (!equals) return false;
    step.page = std::atoi(text);
    std::string button = equals + 1;
    std::size_t colon = button.find(':');
    if (colon != std::string::npos) {
        step.busyShot = button.substr(colon + 1);
        button.erase(colon);
        if (step.busyShot.empty()) return false;
    }
    const struct {
        const char* name;
        int button;
    } buttons[] = {{"next", PSBTN_NEXT}, {"back", PSBTN_BACK}, {"finish", PSBTN_FINISH},
                   {"cancel", PSBTN_CANCEL}};
    for (const auto& known : buttons) {
        if (lstrcmpiA(button.c_str(), known.name) == 0) {
            step.button = known.button;
            step.name = known.name;
            return step.page > 0;
        }
    }
    return false;
}

class Setup {
public:
    explicit Setup(const std::string& commandLine) {
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_) != 0;
    }
    ~Setup() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Setup(const Setup&) = delete;
    Setup& operator=(const Setup&) = delete;

    bool started() const { return started_; }
    HANDLE process() const { return process_.hProcess; }
    DWORD thread() const { return process_.dwThreadId; }
    bool ended() const { return WaitForSingleObject(process_.hProcess, 0) != WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

// A message box while a page was expected: logged, photographed, answered.
void HandleUnexpectedBox(HWND box) {
    Log("box %s %s", Quoted(TextOf(box)).c_str(), Quoted(BoxText(box)).c_str());
    Fail("a message box came up during the wizard");
    Screenshot(box, "unexpected-box");
    AnswerBox(box);
    Sleep(300);
}

// Waits until the sheet shows pageId.  False when the setup ended, the
// sheet went away or another page stayed until the time ran out.
bool WaitForPage(const Setup& setup, HWND& sheet, int pageId) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kPageTimeoutMs) {
        if (setup.ended()) {
            Fail("the setup ended while page " + std::to_string(pageId) + " was expected");
            return false;
        }
        ThreadWindows windows = FindWindows(setup.thread());
        if (windows.box) {
            HandleUnexpectedBox(windows.box);
            continue;
        }
        if (windows.sheet) sheet = windows.sheet;
        if (sheet && ActivePage(sheet) == pageId) return true;
        Sleep(kPollMs);
    }
    int seen = sheet ? ActivePage(sheet) : 0;
    if (sheet && seen) {
        Settle(sheet);
        LogPage(setup.process(), sheet, seen);
        Screenshot(sheet, PageName(seen));
    }
    Fail("page " + std::to_string(pageId) + " did not come (page " + std::to_string(seen) +
         " is shown)");
    return false;
}

// Waits until the sheet has left pageId (another page, or no sheet).
bool WaitToLeave(const Setup& setup, HWND sheet, int pageId) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kPageTimeoutMs) {
        if (setup.ended() || !IsWindow(sheet) || !IsWindowVisible(sheet)) return true;
        ThreadWindows windows = FindWindows(setup.thread());
        if (windows.box) return true;  // the caller sees it
        int active = ActivePage(sheet);
        if (active != 0 && active != pageId) return true;
        Sleep(kPollMs);
    }
    Fail("page " + std::to_string(pageId) + " stayed after its button was pressed");
    return false;
}

bool PressOn(const Setup& setup, HWND sheet, const Step& step) {
    const int control = step.button == PSBTN_NEXT     ? kNextButton
                        : step.button == PSBTN_BACK   ? kBackButton
                        : step.button == PSBTN_FINISH ? kFinishButton
                                                      : IDCANCEL;
    HWND button = GetDlgItem(sheet, control);
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        Fail("page " + std::to_string(step.page) + " does not offer " + step.name);
        return false;
    }
    Log("press %s", step.name.c_str());
    PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(step.button), 0);
    if (!step.busyShot.empty()) {
        Sleep(kBusyShotDelayMs);
        Screenshot(sheet, step.busyShot, false);
    }
    return WaitToLeave(setup, sheet, step.page);
}

HWND WaitForBox(const Setup& setup) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kBoxTimeoutMs && !setup.ended()) {
        ThreadWindows windows = FindWindows(setup.thread());
        if (windows.box) return windows.box;
        Sleep(kPollMs);
    }
    return nullptr;
}

int Run(const std::string& commandLine, const std::vector<Step>& steps) {
    Setup setup(commandLine);
    if (!setup.started()) {
        Fail("cannot start " + commandLine);
        return 1;
    }
    Log("start %s", commandLine.c_str());

    HWND sheet = nullptr;
    DWORD started = GetTickCount();
    while (!sheet && GetTickCount() - started < kSheetTimeoutMs && !setup.ended()) {
        ThreadWindows windows = FindWindows(setup.thread());
        if (windows.box) {
            HandleUnexpectedBox(windows.box);
            continue;
        }
        sheet = windows.sheet;
        if (!sheet) Sleep(kPollMs);
    }
    if (!sheet) {
        Fail("the wizard did not appear");
        return 1;
    }
    Log("sheet %s", Quoted(TextOf(sheet)).c_str());

    for (const Step& step : steps) {
        if (!WaitForPage(setup, sheet, step.page)) return 1;
        Settle(sheet);
        LogPage(setup.process(), sheet, step.page);
        Screenshot(sheet, PageName(step.page));
        if (!PressOn(setup, sheet, step)) return 1;
    }

    HWND box = WaitForBox(setup);
    if (!box) {
        Fail("no closing message came");
    } else {
        Log("box %s %s", Quoted(TextOf(box)).c_str(), Quoted(BoxText(box)).c_str());
        Screenshot(box, "closing-message");
        AnswerBox(box);
    }

    if (WaitForSingleObject(setup.process(), kBoxTimeoutMs) != WAIT_OBJECT_0) {
        ThreadWindows windows = FindWindows(setup.thread());
        if (windows.box) HandleUnexpectedBox(windows.box);
        Fail("the setup did not end");
        return 1;
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(setup.process(), &exitCode);
    Log("exit %lu", exitCode);
    if (exitCode != 0) Fail("the setup ended with " + std::to_string(exitCode));
    return g_failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: wizard_driver LOG SHOTS|- SETUP-COMMAND-LINE PAGE=BUTTON[:NAME]...\n");
        return 2;
    }
    g_log = std::fopen(argv[1], "w");
    if (!g_log) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 2;
    }
    if (std::strcmp(argv[2], "-") != 0) g_shotFolder = argv[2];
    std::vector<Step> steps;
    for (int index = 4; index < argc; ++index) {
        Step step;
        if (!ParseStep(argv[index], step)) {
            std::fprintf(stderr, "not a step: %s (PAGE=next|back|finish|cancel[:NAME])\n", argv[index]);
            return 2;
        }
        steps.push_back(step);
    }
    int result = Run(argv[3], steps);
    if (g_failures && result == 0) result = 1;
    Log("%s", result == 0 ? "done" : "failed");
    std::fclose(g_log);
    return result;
}
