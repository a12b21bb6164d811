// The viewer of the server copy, in the small form this project ships: a
// window that shows the file named on its command line as text.  It is
// built twice: PROGRAM\TXR32.EXE (the viewer) and SUPPORT\QUIKVIEW.EXE (the
// program that takes the system's Quick View place).
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kMostShown = 256 * 1024;

// The file's name from the command line: the first argument, with or
// without quotes; Quick View passes options before it ("-v" and the like),
// which are skipped.
std::string FileArgument(const char* line) {
    std::string text(line);
    std::size_t at = 0;
    auto next = [&]() -> std::string {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        if (at >= text.size()) return {};
        std::size_t end;
        std::string word;
        if (text[at] == '"') {
            end = text.find('"', at + 1);
            if (end == std::string::npos) end = text.size();
            word = text.substr(at + 1, end - at - 1);
            at = end + 1;
        } else {
            end = text.find_first_of(" \t", at);
            if (end == std::string::npos) end = text.size();
            word = text.substr(at, end - at);
            at = end;
        }
        return word;
    };
    for (std::string word = next(); !word.empty(); word = next()) {
        if (word[0] != '-' && word[0] != '/') return word;
    }
    return {};
}

std::string FileText(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "The file " + path + " cannot be opened.";
    std::vector<char> data(kMostShown);
    DWORD read = 0;
    ReadFile(file, data.data(), kMostShown, &read, nullptr);
    CloseHandle(file);
    std::string shown;
    for (DWORD i = 0; i < read; ++i) {
        char c = data[i];
        if (c == '\n' && (i == 0 || data[i - 1] != '\r')) shown += '\r';
        shown += (c == '\0') ? '.' : c;
    }
    return shown;
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, 1), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    std::string path = FileArgument(commandLine ? commandLine : "");
    std::string title = "Orbisel" + (path.empty() ? std::string() : " - " + path);
    std::string body = path.empty() ? "Orbisel: name a file to view." : FileText(path);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ViewerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "OrbiselViewer";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("OrbiselViewer", title.c_str(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance,
                                nullptr);
    HWND text = CreateWindowA("EDIT", body.c_str(),
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                  ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                              0, 0, 640, 480, window, reinterpret_cast<HMENU>(1), instance, nullptr);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), 0);
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
