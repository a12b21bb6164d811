// The dialogs and bitmaps of the library, exactly as they must look: ids,
// kinds, positions, sizes, captions, styles and the font.
#include "resource_ids.h"
#include "tests/support/dialog_template.h"
#include "tests/support/library_test.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace txr::test {
namespace {

struct ExpectedItem {
    WORD id;
    const char* className;
    const char* text;
    short x, y, cx, cy;
    DWORD styleBits;  // must all be set
};

struct ExpectedDialog {
    int id;
    const char* caption;
    short cx, cy;
    std::vector<ExpectedItem> items;
};

constexpr DWORD kCheckBox = BS_AUTOCHECKBOX;
constexpr DWORD kHiddenPanel = SS_BLACKRECT;

const std::vector<ExpectedDialog>& Dialogs() {
    static const std::vector<ExpectedDialog> dialogs = {
        {12037, "Orbisel Workstation Setup", 316, 181, {
            {65535, "Static", "Welcome to", 92, 0, 216, 8, 0},
            {1005, "Static", "Orbisel", 92, 8, 216, 16, 0},
            {65535, "Static", "Workstation Setup", 92, 24, 216, 8, 0},
            {1008, "Static", "This setup will allow you to run Orbisel directly from your network server.", 92, 40, 216, 32, 0},
            {1009, "Static", "", 92, 72, 216, 16, 0},
            {1018, "Static", "", 92, 88, 216, 16, 0},
            {65535, "Static", "To setup Orbisel, press Next", 92, 116, 216, 8, 0},
            {65535, "Static", "To exit, press Cancel", 92, 124, 216, 8, 0},
            {1011, "Static", "", 92, 156, 216, 8, 0},
            {1010, "msctls_progress32", "", 92, 166, 216, 10, 0},
            {1004, "Static", "", 0, 0, 80, 180, kHiddenPanel},
        }},
        {12030, "Success!  but wait...", 316, 214, {
            {1015, "Static", "Orbisel installed successfully!", 92, 14, 216, 16, 0},
            {65535, "Static", "\"Orbisel\" will now appear on the context menu of every file. Just right-click on any file name and choose Orbisel to view the file.", 92, 34, 216, 24, 0},
            {65535, "Static", "Orbisel is available in Explorer, Exchange, Find and the Open and Save dialogs in your programs.", 92, 62, 216, 16, 0},
            {1044, "Static", "but wait...", 92, 94, 216, 16, 0},
            {65535, "Static", "Setup also knows how to \"integrate\" Orbisel file viewing into a number of other programs. These programs include Norton Navigator and several World Wide Web Browsers.", 92, 117, 216, 24, 0},
            {65535, "Static", "The next set of screens will help you set up these programs to use Orbisel. If you do not wish to integrate Orbisel with any programs, check the box below.", 92, 148, 216, 24, 0},
            {1029, "Button", "Do not integrate with any programs", 92, 188, 216, 10, kCheckBox},
            {1004, "Static", "", 0, 16, 80, 180, kHiddenPanel},
        }},
        {12032, "Program Scan", 316, 214, {
            {1039, "Static", "Look for programs", 92, 15, 216, 16, 0},
            {65535, "Static", "When you press Next, setup will look on your local hard drive(s) for programs that can work with Orbisel. The next screen will show you the results of this scan and allow you to pick which programs you want to integrate Orbisel into.", 92, 52, 216, 32, 0},
            {65535, "Static", "If you do not want setup to scan your hard drives, check the box below. Please note that without the scan, setup will not be able to find some of the applications on your system.", 92, 92, 216, 24, 0},
            {1005, "Button", "Do not scan local drive(s) for programs", 92, 128, 216, 10, kCheckBox},
            {1010, "Static", "", 92, 172, 216, 8, 0},
            {1009, "msctls_progress32", "", 92, 187, 216, 10, 0},
            {1004, "Static", "", 0, 16, 80, 180, kHiddenPanel},
        }},
        {12038, "Setup Error", 316, 181, {
            {65535, "Static", "An error has occured while attempting to setup Orbisel, some parts of Orbisel may not work correctly.", 92, 0, 216, 16, 0},
            {65535, "Static", "Please contact your system administrator.", 92, 24, 216, 16, 0},
            {1004, "Static", "", 0, 0, 80, 180, kHiddenPanel},
        }},
        {12033, "Integrate with Applications", 316, 214, {
            {65535, "Static", "", 92, 8, 220, 28, 0},
            {1030, "SysListView32", "", 92, 40, 220, 128,
             LVS_REPORT | LVS_SINGLESEL | LVS_SORTASCENDING | WS_BORDER},
            {1035, "Button", "Information", 92, 171, 220, 32, BS_GROUPBOX},
            {1036, "Static", "", 100, 181, 160, 16, 0},
            {1041, "Button", "Properties...", 264, 181, 41, 14, 0},
            {1004, "Static", "", 0, 16, 80, 180, kHiddenPanel},
        }},
        {105, "General", 247, 210, {
            {1029, "Button", "Status", 8, 6, 232, 34, BS_GROUPBOX},
            {1001, "Static", "", 16, 17, 214, 16, 0},
            {1043, "Button", "Location", 8, 45, 232, 54, BS_GROUPBOX},
            {1014, "Static", "", 16, 57, 214, 16, 0},
            {1038, "Button", "Scan...", 16, 79, 49, 14, 0},
            {1012, "Button", "Browse...", 72, 79, 49, 14, 0},
            {1009, "msctls_progress32", "", 131, 82, 99, 10, 0},
            {1031, "Button", "Description and information", 8, 105, 232, 99, BS_GROUPBOX},
            {1003, "Edit", "", 16, 119, 215, 78, ES_MULTILINE | ES_READONLY | WS_VSCROLL},
        }},
        {113, "Plug-in Support", 316, 214, {
            {1023, "Static", "", 92, 8, 220, 28, 0},
            {4015, "SysListView32", "", 92, 40, 220, 128, LVS_REPORT | LVS_SINGLESEL | WS_BORDER},
            {4016, "Button", "&Properties", 92, 181, 41, 14, 0},
            {1004, "Static", "", 0, 16, 80, 180, kHiddenPanel},
        }},
        {4013, "Location", 261, 114, {
            {1028, "Button", "Path", 7, 7, 247, 25, BS_GROUPBOX},
            {4010, "Static", "", 13, 17, 233, 10, SS_LEFTNOWORDWRAP},
            {1027, "Button", "Find Plug-in", 7, 38, 247, 69, BS_GROUPBOX},
            {1026, "Static", "To find a plug-in on your system, choose \"Scan\" or \"Browse\".\nTo download the plug-in, choose \"Link to URL\".", 14, 54, 231, 25, 0},
            {1024, "Button", "&Scan", 14, 86, 60, 15, 0},
            {1025, "Button", "&Browse...", 81, 86, 60, 15, 0},
            {4012, "Button", "&Link to URL...", 148, 86, 60, 15, 0},
        }},
        {4014, "File Extension(s)", 214, 114, {
            {4005, "Static", "Files with these extensions wil be viewed by the plug-in.", 7, 7, 200, 18, 0},
            {4009, "Button", "Extension List", 7, 27, 163, 80, BS_GROUPBOX},
            {4007, "Edit", "", 16, 39, 86, 12, ES_AUTOHSCROLL | WS_BORDER},
            {4008, "Button", "&Add", 109, 39, 49, 14, 0},
            {4006, "ListBox", "", 16, 56, 86, 45,
             LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT},
            {4003, "Button", "&Remove", 109, 56, 49, 14, 0},
        }},
    };
    return dialogs;
}

using DialogResourceTest = LibraryTest;

TEST_F(DialogResourceTest, EveryDialogIsAsTabled) {
    for (const ExpectedDialog& expected : Dialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        DialogTemplate dialog = LoadDialogTemplate(expected.id);
        ASSERT_TRUE(dialog.found);
        EXPECT_EQ(expected.caption, dialog.caption);
        EXPECT_EQ(expected.cx, dialog.cx);
        EXPECT_EQ(expected.cy, dialog.cy);
        EXPECT_EQ(8, dialog.pointSize);
        EXPECT_EQ("MS Sans Serif", dialog.fontName);
        EXPECT_TRUE(dialog.style & WS_CHILD) << "a property page";
        ASSERT_EQ(expected.items.size(), dialog.items.size());
        for (std::size_t i = 0; i < expected.items.size(); ++i) {
            const ExpectedItem& want = expected.items[i];
            const DialogItem& have = dialog.items[i];
            SCOPED_TRACE("control " + std::to_string(want.id));
            EXPECT_EQ(want.id, have.id);
            EXPECT_EQ(0, lstrcmpiA(want.className, have.className.c_str())) << have.className;
            EXPECT_EQ(want.text, have.text);
            EXPECT_EQ(want.x, have.x);
            EXPECT_EQ(want.y, have.y);
            EXPECT_EQ(want.cx, have.cx);
            EXPECT_EQ(want.cy, have.cy);
            EXPECT_EQ(want.styleBits, have.style & want.styleBits);
            bool panel = want.id == 1004;
            EXPECT_EQ(!panel, (have.style & WS_VISIBLE) != 0) << "only the panel marker is hidden";
        }
    }
}

TEST_F(DialogResourceTest, BitmapsHaveTheirSizesAndColours) {
    HBITMAP panel = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(106));
    ASSERT_NE(nullptr, panel);
    BITMAP info{};
    GetObjectA(panel, sizeof info, &info);
    EXPECT_EQ(121, info.bmWidth);
    EXPECT_EQ(300, info.bmHeight);
    DeleteObject(panel);

    HRSRC resource = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1),
                                   MAKEINTRESOURCEA(2) /*RT_BITMAP*/);
    ASSERT_NE(nullptr, resource);
    auto* header = static_cast<const BITMAPINFOHEADER*>(
        LockResource(LoadResource(GetModuleHandleA(nullptr), resource)));
    EXPECT_EQ(56, header->biWidth) << "four 14-pixel pictures side by side";
    EXPECT_EQ(14, header->biHeight);
    EXPECT_EQ(4, header->biBitCount) << "16 colours";
}

}  // namespace
}  // namespace txr::test
