// The product's shortcuts: program group, StartUp and desktop, through the
// shell's link object, read back here through the same object (and, by
// tests/check_shortcuts.sh, from Linux with lnkinfo).
//
// TXRAddIcons works below the prefix's real Windows directory, so these
// tests run alone, make the Start menu and desktop folders they need, and
// take away everything they made.
#include "registration/shortcuts.h"

#include "platform/com_object.h"
#include "platform/os_version.h"
#include "tests/support/bad_pointers.h"
#include "tests/support/library_test.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/system_state.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr char kInstallPath[] = "C:\\Orbisel";
constexpr char kViewer[] = "C:\\Orbisel\\Program\\TXR32.exe";

struct LinkFields {
    std::string target;
    std::string arguments;
    std::string description;

    bool operator==(const LinkFields& other) const {
        return target == other.target && arguments == other.arguments &&
               description == other.description;
    }
};

std::ostream& operator<<(std::ostream& out, const LinkFields& link) {
    return out << "{target \"" << link.target << "\", arguments \"" << link.arguments
               << "\", description \"" << link.description << "\"}";
}

// Reads a link file back through the shell's link object.
std::optional<LinkFields> ReadLink(const std::string& path) {
    com::Apartment apartment;
    com::Ptr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.receive()))) {
        return {};
    }
    com::Ptr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receive()))) return {};
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) return {};
    char text[1024];
    LinkFields fields;
    if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) fields.target = text;
    if (SUCCEEDED(link->GetArguments(text, sizeof text))) fields.arguments = text;
    if (SUCCEEDED(link->GetDescription(text, sizeof text))) fields.description = text;
    return fields;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the shortcuts of one platform lie.
struct Layout {
    explicit Layout(bool windowsNT)
        : base(WindowsFolder() + (windowsNT ? "Profiles\\All Users\\" : "")),
          group(base + "Start Menu\\Programs\\Orbisel"),
          view(group + "\\View A File....lnk"),
          uninstall(group + "\\Uninstall Orbisel.lnk"),
          startUp(base + "Start Menu\\Programs\\StartUp\\Orbisel.lnk"),
          desktop(base + "Desktop\\Orbisel.lnk") {}

    std::string base, group, view, uninstall, startUp, desktop;
};

const LinkFields kViewLink{kViewer, "-f?", "View A File..."};
const LinkFields kStartUpLink{kViewer, "", "Orbisel"};
const LinkFields kDesktopLink{kViewer, "-f?", "Orbisel"};
LinkFields UninstallLink() { return {WindowsFolder() + "uninstxr.exe", "", "Uninstall Orbisel"}; }

class ShortcutTest : public LibraryTest {
protected:
    ~ShortcutTest() override {
        for (bool windowsNT : {false, true}) {
            Layout layout(windowsNT);
            for (const std::string& link :
                 {layout.view, layout.uninstall, layout.startUp, layout.desktop}) {
                DeleteFileA(link.c_str());
            }
            RemoveDirectoryA(layout.group.c_str());
        }
    }

    // Makes the Start menu and desktop folders of a platform's profile, as
    // the system has them.
    Layout Prepare(bool windowsNT) {
        os::ForcePlatform(windowsNT ? os::Platform::WindowsNT : os::Platform::Windows95);
        Layout layout(windowsNT);
        folders_.Make(layout.base + "Start Menu\\Programs\\StartUp");
        folders_.Make(layout.base + "Desktop");
        return layout;
    }

    MadeFolders folders_;
};

TEST_F(ShortcutTest, FlagsZeroMakeTheGroupWithViewAndUninstall) {
    Layout layout = Prepare(false);
    EXPECT_EQ(1, TXRAddIcons(0, kInstallPath, 1));
    EXPECT_EQ(Sorted({"Uninstall Orbisel.lnk", "View A File....lnk"}), Sorted(FilesIn(layout.group)));
    EXPECT_EQ(kViewLink, ReadLink(layout.view));
    EXPECT_EQ(UninstallLink(), ReadLink(layout.uninstall));
    EXPECT_FALSE(FileExists(layout.startUp));
    EXPECT_FALSE(FileExists(layout.desktop));
}

TEST_F(ShortcutTest, FlagsThreeAddStartUpAndDesktopWhichRemovalWithFlagsZeroLeaves) {
    Layout layout = Prepare(false);
    EXPECT_EQ(1, TXRAddIcons(kDesktopShortcutFlag | kStartUpShortcutFlag, kInstallPath, 1));
    EXPECT_EQ(kViewLink, ReadLink(layout.view));
    EXPECT_EQ(UninstallLink(), ReadLink(layout.uninstall));
    EXPECT_EQ(kStartUpLink, ReadLink(layout.startUp));
    EXPECT_EQ(kDesktopLink, ReadLink(layout.desktop));

    EXPECT_EQ(1, TXRAddIcons(0, kInstallPath, 0));
    EXPECT_FALSE(FolderExists(layout.group)) << "the emptied group goes";
    EXPECT_TRUE(FileExists(layout.startUp));
    EXPECT_TRUE(FileExists(layout.desktop));

    EXPECT_EQ(1, TXRAddIcons(kStartUpShortcutFlag, nullptr, 0));
    EXPECT_FALSE(FileExists(layout.startUp));
    EXPECT_TRUE(FileExists(layout.desktop));
    EXPECT_EQ(1, TXRAddIcons(kDesktopShortcutFlag, nullptr, 0));
    EXPECT_FALSE(FileExists(layout.desktop));
}

TEST_F(ShortcutTest, RemovalWithoutInstallPathTakesTheGroupOnceItIsEmpty) {
    Layout layout = Prepare(false);
    ASSERT_EQ(1, TXRAddIcons(0, kInstallPath, 1));
    WriteFile(layout.group + "\\Readme.lnk", "another shortcut");

    EXPECT_EQ(1, TXRAddIcons(0, nullptr, 0));
    EXPECT_EQ(std::vector<std::string>{"Readme.lnk"}, FilesIn(layout.group));

    DeleteFileA((layout.group + "\\Readme.lnk").c_str());
    EXPECT_EQ(1, TXRAddIcons(0, nullptr, 0)) << "removing what is already gone";
    EXPECT_FALSE(FolderExists(layout.group));
}

TEST_F(ShortcutTest, CreationNeedsAUsableInstallPath) {
    Layout layout = Prepare(false);
    const std::string tooLong = "C:\\" + std::string(240, 'P');  // the viewer's path won't fit
    for (const char* installPath : {static_cast<const char*>(nullptr), "", tooLong.c_str()}) {
        EXPECT_EQ(0, TXRAddIcons(3, installPath, 1));
        EXPECT_FALSE(FolderExists(layout.group));
        EXPECT_FALSE(FileExists(layout.startUp));
        EXPECT_FALSE(FileExists(layout.desktop));
    }
    EXPECT_EQ(1, TXRAddIcons(3, tooLong.c_str(), 0)) << "removal does not need it";
}

TEST_F(ShortcutTest, AnUnreadableInstallPathDoesNothing) {
    Layout layout = Prepare(false);
    ASSERT_EQ(1, TXRAddIcons(3, kInstallPath, 1));
    const std::vector<std::string> made = FilesIn(layout.group);
    BadPointers bad;
    for (const BadPointers::Named& path : bad.UnreadableTexts()) {
        EXPECT_EQ(0, TXRAddIcons(3, path.pointer, 1)) << path.what;
        EXPECT_EQ(0, TXRAddIcons(3, path.pointer, 0)) << path.what << ": also for removal";
        EXPECT_EQ(made, FilesIn(layout.group)) << path.what;
        EXPECT_TRUE(FileExists(layout.startUp)) << path.what;
        EXPECT_TRUE(FileExists(layout.desktop)) << path.what;
    }
    EXPECT_EQ(1, TXRAddIcons(3, nullptr, 0));
}

TEST_F(ShortcutTest, InstallPathWithOrWithoutBackslashGivesTheSameTargets) {
    Layout layout = Prepare(false);
    for (const char* installPath : {"C:\\Orbisel", "C:\\Orbisel\\"}) {
        ASSERT_EQ(1, TXRAddIcons(3, installPath, 1));
        EXPECT_EQ(kViewLink, ReadLink(layout.view)) << installPath;
        EXPECT_EQ(kStartUpLink, ReadLink(layout.startUp)) << installPath;
        EXPECT_EQ(kDesktopLink, ReadLink(layout.desktop)) << installPath;
        ASSERT_EQ(1, TXRAddIcons(3, nullptr, 0));
    }
}

TEST_F(ShortcutTest, WindowsNTPutsThemInTheProfileOfAllUsers) {
    Layout nt = Prepare(true);
    Layout windows95(false);
    EXPECT_EQ(1, TXRAddIcons(3, kInstallPath, 1));
    EXPECT_EQ(WindowsFolder() + "Profiles\\All Users\\Start Menu\\Programs\\Orbisel\\View A File....lnk",
              nt.view);
    EXPECT_EQ(kViewLink, ReadLink(nt.view));
    EXPECT_EQ(UninstallLink(), ReadLink(nt.uninstall))
        << "the uninstaller stays in the Windows directory itself";
    EXPECT_EQ(kStartUpLink, ReadLink(nt.startUp));
    EXPECT_EQ(kDesktopLink, ReadLink(nt.desktop));
    EXPECT_FALSE(FolderExists(windows95.group));
    EXPECT_FALSE(FileExists(windows95.desktop));

    EXPECT_EQ(1, TXRAddIcons(3, nullptr, 0));
    EXPECT_FALSE(FolderExists(nt.group));
    EXPECT_FALSE(FileExists(nt.startUp));
    EXPECT_FALSE(FileExists(nt.desktop));
}

TEST_F(ShortcutTest, WithoutTheProfileFoldersNothingIsMadeYetTheResultIsOne) {
    os::ForcePlatform(os::Platform::WindowsNT);
    Layout layout(true);
    ASSERT_FALSE(FolderExists(layout.base)) << "this prefix has no Windows NT profiles";
    EXPECT_EQ(1, TXRAddIcons(3, kInstallPath, 1));
    EXPECT_FALSE(FolderExists(layout.base)) << "no profile folders are made up";
}

// Writes the shortcuts of both platforms and copies them, for lnkinfo, to
// the folder named by TXR_SHORTCUT_CHECK_FOLDER as win95-*.lnk and nt-*.lnk
// (view, uninstall, startup, desktop).  Run by tests/check_shortcuts.sh.
TEST_F(ShortcutTest, DISABLED_WriteForLnkinfo) {
    const char* folder = std::getenv("TXR_SHORTCUT_CHECK_FOLDER");
    ASSERT_TRUE(folder && *folder) << "TXR_SHORTCUT_CHECK_FOLDER names no folder";
    std::string out = folder;
    if (out.back() != '\\') out += '\\';
    for (bool windowsNT : {false, true}) {
        Layout layout = Prepare(windowsNT);
        ASSERT_EQ(1, TXRAddIcons(3, kInstallPath, 1));
        std::string prefix = out + (windowsNT ? "nt-" : "win95-");
        for (const auto& [from, name] : {std::pair<std::string, const char*>{layout.view, "view"},
                                         {layout.uninstall, "uninstall"},
                                         {layout.startUp, "startup"},
                                         {layout.desktop, "desktop"}}) {
            EXPECT_TRUE(CopyFileA(from.c_str(), (prefix + name + ".lnk").c_str(), FALSE)) << from;
        }
        ASSERT_EQ(1, TXRAddIcons(3, nullptr, 0));
    }
}

// CreateShortcut on its own, into a scratch folder.

class CreateShortcutTest : public LibraryTest {
protected:
    com::Apartment apartment_;
    ScratchFolder folder_;
};

TEST_F(CreateShortcutTest, WritesTargetDescriptionAndArgumentsWhenGiven) {
    const std::string withArguments = folder_ / "with.lnk";
    EXPECT_EQ(S_OK, CreateShortcut("C:\\T\\A.EXE", withArguments.c_str(), "Described", "-x 1"));
    EXPECT_EQ((LinkFields{"C:\\T\\A.EXE", "-x 1", "Described"}), ReadLink(withArguments));

    for (const char* none : {static_cast<const char*>(nullptr), ""}) {
        const std::string without = folder_ / "without.lnk";
        EXPECT_EQ(S_OK, CreateShortcut("C:\\T\\A.EXE", without.c_str(), nullptr, none));
        EXPECT_EQ((LinkFields{"C:\\T\\A.EXE", "", ""}), ReadLink(without));
    }
}

TEST_F(CreateShortcutTest, FailuresAreNegativeAndWriteNothing) {
    const std::string missingFolder = folder_ / "missing\\x.lnk";
    EXPECT_LT(CreateShortcut("C:\\T\\A.EXE", missingFolder.c_str(), "d", nullptr), 0);
    EXPECT_FALSE(FileExists(missingFolder));

    const std::string tooLong = folder_.path() + std::string(300 - folder_.path().size(), 'L') + ".lnk";
    EXPECT_LT(CreateShortcut("C:\\T\\A.EXE", tooLong.c_str(), "d", nullptr), 0);

    EXPECT_EQ(E_INVALIDARG, CreateShortcut(nullptr, (folder_ / "x.lnk").c_str(), "d", nullptr));
    EXPECT_EQ(E_INVALIDARG, CreateShortcut("C:\\T\\A.EXE", nullptr, "d", nullptr));
    EXPECT_TRUE(FilesIn(folder_.path()).empty());
}

}  // namespace
}  // namespace txr::test
