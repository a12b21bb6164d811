// The program scan on real drives of the test prefix.  scripts/test maps
// J: and K: (fixed), L: (CD-ROM) and N: (network) to empty folders that
// these tests fill and empty, and Q: (fixed) to a folder whose loop\again
// is a symbolic link back to Q:\ itself; ctest runs these tests one at a
// time.  The scan also walks C:, so every identifying file name carries a
// token of this test process and is found nowhere else.
#include "integration/program_scan.h"

#include "platform/bounded_text.h"
#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace txr::test {
namespace {

using Paths = std::vector<std::string>;

const char* const kScanDrives[] = {"J:\\", "K:\\", "L:\\", "N:\\"};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Deletes what lies in folder, also below the platform's path length.
void EmptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((L"\\\\?\\" + folder + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // never followed
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(path + L"\\");
            RemoveDirectoryW((L"\\\\?\\" + path).c_str());
        } else {
            SetFileAttributesW((L"\\\\?\\" + path).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((L"\\\\?\\" + path).c_str());
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

// Creates folder (and its parents) and the files named in it, also below
// the platform's path length.
void Place(const std::string& folder, const std::vector<std::string>& files) {
    for (std::size_t i = 3; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '\\') {
            CreateDirectoryW((L"\\\\?\\" + Wide(folder.substr(0, i))).c_str(), nullptr);
        }
    }
    for (const std::string& file : files) {
        HANDLE handle = CreateFileW((L"\\\\?\\" + Wide(folder + file)).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, handle) << folder << file;
        CloseHandle(handle);
    }
}

// The walked sub-folders of folder, in listing order.
Paths ListedFolders(const std::string& folder) {
    Paths names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.') {
            names.push_back(folder + entry.cFileName + "\\");
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

Paths CopiesOf(const FoundListHead& head) {
    Paths paths;
    for (const FoundCopy& copy : head.Copies) paths.push_back(copy.Path);
    return paths;
}

// Answers the Choose Application dialog from a timer of the test's
// thread, which the dialog's own message loop runs.
struct DialogScript {
    int select = -1;  // list item to select, -1 for none
    bool ok = true;   // OK or Cancel
    bool shown = false;
    std::string text;
    Paths items;
};
DialogScript* g_script = nullptr;

BOOL CALLBACK FindChooseDialog(HWND window, LPARAM found) {
    char windowClass[32] = "", title[64] = "";
    GetClassNameA(window, windowClass, sizeof windowClass);
    GetWindowTextA(window, title, sizeof title);
    if (std::string(windowClass) == "#32770" && std::string(title) == "Choose Application") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

VOID CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindChooseDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    DialogScript& script = *g_script;
    script.shown = true;
    char text[512] = "";
    GetDlgItemTextA(dialog, 1033, text, sizeof text);
    script.text = text;
    HWND list = GetDlgItem(dialog, 1032);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char item[MAX_PATH] = "";
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        script.items.push_back(item);
    }
    if (script.select >= 0) SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(script.select), 0);
    SendMessageA(GetDlgItem(dialog, script.ok ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
}

class ScanTest : public IntegrationTest {
protected:
    ScanTest() {
        token_ = "S" + std::to_string(GetCurrentProcessId());
        const UINT types[] = {DRIVE_FIXED, DRIVE_FIXED, DRIVE_CDROM, DRIVE_REMOTE};
        for (int i = 0; i < 4; ++i) {
            if (GetDriveTypeA(kScanDrives[i]) != types[i]) {
                ADD_FAILURE() << "drive " << kScanDrives[i] << " is not prepared for the scan "
                              << "tests; run them through scripts/test";
            }
        }
        EmptyDrives();
    }
    ~ScanTest() override {
        EmptyDrives();
        EmptyFolder(L"Q:\\loop\\");
    }

    static void EmptyDrives() {
        for (const char* drive : kScanDrives) EmptyFolder(Wide(drive));
    }

    // An identifying file name that only this test process uses.
    std::string Name(const std::string& suffix) const { return token_ + suffix; }

    // Applications looked for by two files each: "<token>A.EXE"
    // and "<token>A.DAT" for the first, B for the second, ...
    // kinds gives each application's location kind (3 when missing).
    void LoadApps(int count, std::vector<int> kinds = {}) {
        kinds.resize(static_cast<std::size_t>(count), 3);
        std::string settings = "[Module]\nCount=" + std::to_string(count) + "\n";
        for (int i = 0; i < count; ++i) {
            std::string letter(1, static_cast<char>('A' + i));
            settings += "[App" + std::to_string(i) + "]\nKeyName=App" + letter +
                        "\nDisplayName=Scan App " + letter +
                        "\nKind=" + std::to_string(kinds[static_cast<std::size_t>(i)]) +
                        "\nFiles=" + Name(letter + ".EXE") + "|" + Name(letter + ".DAT") + "\n";
        }
        AddProbe(settings);
        LoadIntegrationModules();
        ASSERT_EQ(static_cast<std::uint32_t>(count), table().AppCount);
    }
    std::vector<std::string> Files(char letter) const {
        return {Name(std::string(1, letter) + ".EXE"), Name(std::string(1, letter) + ".DAT")};
    }

    Paths Found(AppRecord* one = nullptr, int head = 0) {
        FindAppCopies(nullptr, one, heads_);
        return CopiesOf(heads_[head]);
    }

    // Runs the scan with page as window while script answers the dialog.
    void ScanWithDialog(PageWindow& page, DialogScript& script, AppRecord* one = nullptr) {
        g_script = &script;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerDialog);
        ScanForApps(page.hwnd(), one);
        KillTimer(nullptr, timer);
        g_script = nullptr;
    }

    std::string token_;
    FoundLists heads_;
};

TEST_F(ScanTest, BothFilesMustLieInTheSameFolder) {
    LoadApps(1);
    Place("J:\\Split\\", {Files('A')[0]});
    Place("J:\\Split\\Sub\\", {Files('A')[1]});
    ScanForApps(nullptr, nullptr);
    EXPECT_EQ(0, record(0).PathKnown);

    Place("K:\\Both\\", Files('A'));
    ScanForApps(nullptr, nullptr);
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_STREQ("K:\\Both\\", record(0).AppPath);
}

TEST_F(ScanTest, LetterCaseDoesNotMatter) {
    LoadApps(1);
    // "s1234a.exe" and "S1234A.dAt" for "S1234A.EXE" and "S1234A.DAT".
    std::string exe = Files('A')[0], dat = Files('A')[1];
    std::transform(exe.begin(), exe.end(), exe.begin(), ::tolower);
    dat[dat.size() - 3] = 'd';
    dat[dat.size() - 1] = 't';
    Place("J:\\Mixed Case\\", {exe, dat});
    ScanForApps(nullptr, nullptr);
    EXPECT_STREQ("J:\\Mixed Case\\", record(0).AppPath);
}

TEST_F(ScanTest, FoldersBeginningWithADotAreNotEntered) {
    LoadApps(1);
    Place("J:\\.hidden\\", Files('A'));
    Place("J:\\.hidden\\Below\\", Files('A'));
    Place("J:\\Visible\\.config\\", Files('A'));
    ScanForApps(nullptr, nullptr);
    EXPECT_EQ(0, record(0).PathKnown);
}

TEST_F(ScanTest, CdRomAndNetworkDrivesAreSkipped) {
    LoadApps(1);
    Place("L:\\App\\", Files('A'));
    Place("N:\\App\\", Files('A'));
    EXPECT_TRUE(Found().empty());
    ScanForApps(nullptr, nullptr);
    EXPECT_EQ(0, record(0).PathKnown);
}

TEST_F(ScanTest, WithoutAWindowTheFirstFoundWins) {
    LoadApps(1);
    Place("K:\\Other\\", Files('A'));
    Place("J:\\P1\\", Files('A'));
    Place("J:\\P1\\Sub\\", Files('A'));
    Place("J:\\P2\\", Files('A'));
    Place("J:\\P3\\", {"unrelated.txt"});
    // Drive order; within a drive a folder before its sub-folders, and
    // sub-folders in the order the drive lists them.
    Paths expected;
    for (const std::string& folder : ListedFolders("J:\\")) {
        if (folder == "J:\\P3\\") continue;
        expected.push_back(folder);
        if (folder == "J:\\P1\\") expected.push_back("J:\\P1\\Sub\\");
    }
    expected.push_back("K:\\Other\\");
    EXPECT_EQ(expected, Found());

    ScanForApps(nullptr, nullptr);
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_EQ(expected.front(), record(0).AppPath);
}

TEST_F(ScanTest, WithAWindowTheUserChoosesAmongTheCopies) {
    LoadApps(1);
    Place("K:\\Zeta\\", Files('A'));
    Place("J:\\Beta\\", Files('A'));
    Place("J:\\Beta\\Alpha\\", Files('A'));
    PageWindow page;

    DialogScript choose;
    choose.select = 1;
    ScanWithDialog(page, choose);
    ASSERT_TRUE(choose.shown);
    EXPECT_EQ("There is more than one copy of Scan App A on this system.  Please choose the one "
              "that you would like to integrate with Orbisel.",
              choose.text);
    // The list is sorted, whatever the order of discovery.
    EXPECT_EQ((Paths{"J:\\Beta\\", "J:\\Beta\\Alpha\\", "K:\\Zeta\\"}), choose.items);
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_STREQ("J:\\Beta\\Alpha\\", record(0).AppPath);
    EXPECT_EQ(0, page.barPosition());

    // Cancel: no location, also where there was one (a scan of this one).
    DialogScript cancel;
    cancel.select = 2;
    cancel.ok = false;
    ScanWithDialog(page, cancel, &record(0));
    ASSERT_TRUE(cancel.shown);
    EXPECT_EQ(0, record(0).PathKnown);

    // OK without a selection is no choice either.
    DialogScript nothing;
    ScanWithDialog(page, nothing);
    ASSERT_TRUE(nothing.shown);
    EXPECT_EQ(0, record(0).PathKnown);
}

TEST_F(ScanTest, ALocationFromTheRegistryIsOnlySearchedInAScanOfThatApplication) {
    LoadApps(2);
    SetString(HKEY_LOCAL_MACHINE, AppKey("AppA"), "AppPath", "E:\\Earlier\\");
    ReadAppRecords();
    ASSERT_EQ(1, record(0).PathKnown);
    Place("J:\\A\\", Files('A'));
    Place("J:\\B\\", Files('B'));

    ScanForApps(nullptr, nullptr);
    EXPECT_STREQ("E:\\Earlier\\", record(0).AppPath);
    EXPECT_STREQ("J:\\B\\", record(1).AppPath);

    PageWindow page;
    ScanForApps(page.hwnd(), &record(0));
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_STREQ("J:\\A\\", record(0).AppPath);
    // The one-application scan reports on the General page's location line.
    EXPECT_TRUE(page.texts(1010).empty());
    Paths lines = page.texts(1014);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "Scanning drive J:\\..."));
}

TEST_F(ScanTest, OnlyApplicationsOfKindThreeWithoutALocationAreSearched) {
    LoadApps(3, {3, 0x20004, 2});  // kind 4 without a default path
    for (char letter : {'A', 'B', 'C'}) Place("J:\\Shared\\", Files(letter));
    ScanForApps(nullptr, nullptr);
    EXPECT_STREQ("J:\\Shared\\", record(0).AppPath);
    EXPECT_EQ(0, record(1).PathKnown);
    EXPECT_EQ(0, record(2).PathKnown);
    // A scan of one application looks for it whatever its kind.
    ScanForApps(nullptr, &record(2));
    EXPECT_STREQ("J:\\Shared\\", record(2).AppPath);
}

TEST_F(ScanTest, SeveralApplicationsInOneFolderAreEachFound) {
    LoadApps(2);
    Place("K:\\Suite\\", Files('A'));
    Place("K:\\Suite\\", Files('B'));
    ScanForApps(nullptr, nullptr);
    EXPECT_STREQ("K:\\Suite\\", record(0).AppPath);
    EXPECT_STREQ("K:\\Suite\\", record(1).AppPath);
}

TEST_F(ScanTest, TheProgressBarCountsTheTopLevelFoldersOfEachFixedDrive) {
    LoadApps(1);
    for (const char* folder : {"J:\\One\\Deeper\\", "J:\\Two\\", "J:\\Three\\", "J:\\.skipped\\"}) {
        Place(folder, {});
    }
    PageWindow page;
    ScanForApps(page.hwnd(), nullptr);

    // Per fixed drive: range 0..folders, position 0, the drive's name, one
    // step per folder.  J: has three (the one beginning with "." is none).
    const std::vector<PageWindow::Event>& events = page.events();
    auto named = std::find_if(events.begin(), events.end(), [](const PageWindow::Event& e) {
        return e.control == 1010 && e.text == "Scanning drive J:\\...";
    });
    ASSERT_NE(events.end(), named);
    ASSERT_GE(named - events.begin(), 2);
    EXPECT_EQ(static_cast<UINT>(PBM_SETRANGE), (named - 2)->message);
    EXPECT_EQ(MAKELPARAM(0, 3), (named - 2)->lParam);
    EXPECT_EQ(static_cast<UINT>(PBM_SETPOS), (named - 1)->message);
    EXPECT_EQ(0u, (named - 1)->wParam);
    int steps = 0;
    for (auto it = named + 1; it != events.end() && it->message != PBM_SETRANGE; ++it) {
        if (it->message == PBM_DELTAPOS && it->wParam == 1) ++steps;
    }
    EXPECT_EQ(3, steps);
    EXPECT_EQ(static_cast<UINT>(PBM_SETPOS), events.back().message);
    EXPECT_EQ(0, page.barPosition());

    Paths lines = page.texts(1010);
    for (const char* drive : {"J", "K", "Q"}) {
        std::string line = std::string("Scanning drive ") + drive + ":\\...";
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << line;
    }
    for (const char* drive : {"L", "N", "T"}) {
        std::string line = std::string("Scanning drive ") + drive + ":\\...";
        EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), line)) << line;
    }
}

TEST_F(ScanTest, WithoutApplicationsTheDrivesAreStillListedButNotWalked) {
    PageWindow page;
    ScanForApps(page.hwnd(), nullptr);
    EXPECT_FALSE(page.texts(1010).empty());
    int ranges = 0, steps = 0;
    for (const auto& event : page.events()) {
        ranges += event.message == PBM_SETRANGE;
        steps += event.message == PBM_DELTAPOS;
    }
    EXPECT_GE(ranges, 3);  // C:, J:, K:, Q: at least
    EXPECT_EQ(0, steps);
}

TEST_F(ScanTest, FoldersBeyondThePathLengthAreSkippedSoundly) {
    LoadApps(2);
    // J:\Deep\ then folders of ten characters: a path of 250 characters
    // holds A, one of 272 holds B.
    std::string folder = "J:\\Deep\\";
    while (folder.size() < 250) folder += "d123456789\\";
    ASSERT_EQ(250u, folder.size());
    Place(folder, Files('A'));
    std::string deeper = folder + "d123456789\\d123456789\\";
    Place(deeper, Files('B'));
    ASSERT_NE(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW((L"\\\\?\\" + Wide(deeper + Files('B')[0])).c_str()));

    ScanForApps(nullptr, nullptr);
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_EQ(folder, record(0).AppPath);
    EXPECT_EQ(0, record(1).PathKnown);
}

TEST_F(ScanTest, ALinkBackToAnAncestorIsNotFollowed) {
    DWORD attributes = GetFileAttributesA("Q:\\loop\\again");
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << "Q:\\loop\\again is missing";
    LoadApps(1);
    Place("Q:\\loop\\", Files('A'));
    // Through the link the same folder is Q:\loop\again\loop\ and so on.
    ASSERT_NE(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA(("Q:\\loop\\again\\loop\\" + Files('A')[0]).c_str()));
    EXPECT_EQ((Paths{"Q:\\loop\\"}), Found());
}

}  // namespace
}  // namespace txr::test
