// Every failing step of every registration's install: exactly that
// registry call fails, and the error log's record, the result, the fatal
// box and the steps that still ran are those of its row.
#include "platform/os_version.h"
#include "tests/registration_fixture.h"

#include <string>

namespace txr::test {
namespace {

constexpr char kMenu[] = "HKCR\\*\\shellex\\ContextMenuHandlers\\OrbiselMenu";
constexpr char kMenuKey[] = "*\\shellex\\ContextMenuHandlers\\OrbiselMenu";
constexpr char kApproved[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kViewerClass[] = "HKCR\\CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kViewerServer[] =
    "HKCR\\CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}\\InProcServer32";
constexpr char kViewerClassKey[] = "CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kViewerServerKey[] =
    "CLSID\\{F0F08736-0C36-101B-B086-0020AF07D0F4}\\InProcServer32";
constexpr char kExtClass[] = "HKCR\\CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}";
constexpr char kExtServer[] =
    "HKCR\\CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}\\InProcServer32";
constexpr char kExtClassKey[] = "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}";
constexpr char kExtServerKey[] = "CLSID\\{F0F08737-0C36-101B-B086-0020AF07D0F4}\\InProcServer32";
constexpr char kViewerAppPath[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe";
constexpr char kViewerAppPathKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe";
constexpr char kSupportAppPath[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txrsupp.exe";
constexpr char kSupportAppPathKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txrsupp.exe";
constexpr char kDefaultViewer[] = "HKCR\\QuickView\\*\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kDefaultViewerKey[] = "QuickView\\*\\{F0F08736-0C36-101B-B086-0020AF07D0F4}";
constexpr char kCommand[] = "HKCR\\QuickView\\Shell\\Open\\Command";
constexpr char kExchange1[] = "HKCR\\CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2";
constexpr char kExchange2[] = "HKCR\\CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3";
constexpr char kWordMail[] = "HKCR\\CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2";

// The same path without its root, for the direct registry helpers.
std::string Below(const char* path) { return std::string(path).substr(5); }

std::optional<std::string> Default(HKEY root, const std::string& path) {
    return GetString(root, path, "");
}

// True when a call of kind op on target (its described path ending so) was
// made during the install.
bool Ran(const RegistryFaults& faults, reg::Op op, const std::string& target) {
    for (const reg::Call& call : faults.calls()) {
        if (call.op == op && EndsWithNoCase(reg::Describe(call), target)) return true;
    }
    return false;
}

struct FailureRow {
    const char* name;
    RegistrationExport function;
    reg::Op op;
    const char* target;  // the described path of the failing call
    int whatFailed;
    int effect;
    DWORD code;
    int severity;
    int result;
    void (*prepare)();
    // Asserts which later steps still ran.
    void (*after)(const RegistryFaults& faults);
    // Calls that match op and target: more than the row's own where other
    // steps touch the same key first.
    unsigned matchingCalls = 1;
};

void Nothing() {}

void ExchangeItems() {
    SetString(HKEY_CLASSES_ROOT, Below(kExchange1), "", "&Quick View,0,2");
    SetString(HKEY_CLASSES_ROOT, Below(kExchange2), "", "&Quick View,0,2");
}

void WordMailItem() { SetString(HKEY_CLASSES_ROOT, Below(kWordMail), "", "&Quick View, 0, 2"); }

void SystemViewerEntry() {
    CreateKey(HKEY_CLASSES_ROOT, std::string("QuickView\\.txt\\") + kSystemViewer);
}

void ExpectViewerServer(const char* module, bool withPath, bool withModel) {
    const std::string key = module == std::string("TXR.DLL") ? kViewerServerKey : kExtServerKey;
    EXPECT_EQ(withPath ? std::optional<std::string>(std::string("X:\\TXR\\PROGRAM\\") + module)
                       : std::nullopt,
              Default(HKEY_CLASSES_ROOT, key));
    EXPECT_EQ(withModel ? std::optional<std::string>("Apartment") : std::nullopt,
              GetString(HKEY_CLASSES_ROOT, key, "ThreadingModel"));
}

const FailureRow kRows[] = {
    // TXRRegContextMenu
    {"MenuCreate", TXRRegContextMenu, reg::Op::Create, kMenu, 7, 4, 1000, 1, 3, Nothing,
     [](const RegistryFaults&) { EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kMenuKey)); }},
    {"MenuValue", TXRRegContextMenu, reg::Op::SetValue, kMenu, 3, 4, 1001, 1, 3, Nothing,
     [](const RegistryFaults&) {
         EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kMenuKey));
         EXPECT_FALSE(Default(HKEY_CLASSES_ROOT, kMenuKey));
     }},
    {"MenuClose", TXRRegContextMenu, reg::Op::Close, kMenu, 5, 6, 1002, 2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string(kShellExt), Default(HKEY_CLASSES_ROOT, kMenuKey));
     }},

    // TXRRegNTShellApproved (on Windows NT)
    {"ApprovedCreate", TXRRegNTShellApproved, reg::Op::Create, kApproved, 9, 10, 1100, 1, 3,
     Nothing,
     [](const RegistryFaults&) { EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kApprovedKey)); }},
    {"ApprovedValue", TXRRegNTShellApproved, reg::Op::SetValue,
     "Approved\\{F0F08737-0C36-101B-B086-0020AF07D0F4}", 8, 10, 1101, 1, 3, Nothing,
     [](const RegistryFaults&) {
         EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kApprovedKey));
         EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kApprovedKey, kShellExt));
     }},
    {"ApprovedClose", TXRRegNTShellApproved, reg::Op::Close, kApproved, 11, 6, 1102, 2, 2,
     Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("Orbisel - Shell Extension object"),
                   GetString(HKEY_LOCAL_MACHINE, kApprovedKey, kShellExt));
     }},

    // TXRRegFileViewerClassId: every failure minor
    {"ViewerClassCreate", TXRRegFileViewerClassId, reg::Op::Create, kViewerClass, 23, 18, 1040,
     2, 2, Nothing,
     [](const RegistryFaults&) { EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kViewerClassKey)); }},
    {"ViewerClassName", TXRRegFileViewerClassId, reg::Op::SetValue, kViewerClass, 17, 18, 1041,
     2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_FALSE(Default(HKEY_CLASSES_ROOT, kViewerClassKey));
         ExpectViewerServer("TXR.DLL", true, true);
     }},
    {"ViewerServerCreate", TXRRegFileViewerClassId, reg::Op::Create, kViewerServer, 22, 18,
     1042, 2, 2, Nothing,
     [](const RegistryFaults& faults) {
         EXPECT_EQ(std::string("Orbisel - File Viewer object"),
                   Default(HKEY_CLASSES_ROOT, kViewerClassKey));
         EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kViewerServerKey));
         EXPECT_TRUE(Ran(faults, reg::Op::Close, kViewerClass))
             << "skips to the class key's close";
     }},
    {"ViewerServerPath", TXRRegFileViewerClassId, reg::Op::SetValue, kViewerServer, 19, 18,
     1043, 2, 2, Nothing, [](const RegistryFaults&) { ExpectViewerServer("TXR.DLL", false, true); }},
    {"ViewerThreadingModel", TXRRegFileViewerClassId, reg::Op::SetValue,
     "InProcServer32\\ThreadingModel", 20, 18, 1044, 2, 2, Nothing,
     [](const RegistryFaults&) { ExpectViewerServer("TXR.DLL", true, false); }},
    {"ViewerServerClose", TXRRegFileViewerClassId, reg::Op::Close, kViewerServer, 21, 6, 1044,
     2, 2, Nothing,
     [](const RegistryFaults& faults) {
         ExpectViewerServer("TXR.DLL", true, true);
         EXPECT_TRUE(Ran(faults, reg::Op::Close, kViewerClass));
     }},
    {"ViewerClassClose", TXRRegFileViewerClassId, reg::Op::Close, kViewerClass, 24, 6, 1045, 2,
     2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("Orbisel - File Viewer object"),
                   Default(HKEY_CLASSES_ROOT, kViewerClassKey));
         ExpectViewerServer("TXR.DLL", true, true);
     }},

    // TXRRegShellExtClassId: failed writes are fatal and end the install
    {"ExtClassCreate", TXRRegShellExtClassId, reg::Op::Create, kExtClass, 31, 26, 1050, 1, 3,
     Nothing,
     [](const RegistryFaults&) { EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kExtClassKey)); }},
    {"ExtClassName", TXRRegShellExtClassId, reg::Op::SetValue, kExtClass, 25, 26, 1051, 1, 3,
     Nothing,
     [](const RegistryFaults&) {
         EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kExtClassKey));
         EXPECT_FALSE(Default(HKEY_CLASSES_ROOT, kExtClassKey));
         EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kExtServerKey)) << "returned at once";
     }},
    {"ExtServerCreate", TXRRegShellExtClassId, reg::Op::Create, kExtServer, 30, 26, 1052, 1, 3,
     Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("Orbisel - Shell Extension object"),
                   Default(HKEY_CLASSES_ROOT, kExtClassKey));
         EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kExtServerKey));
     }},
    {"ExtServerPath", TXRRegShellExtClassId, reg::Op::SetValue, kExtServer, 27, 26, 1053, 1, 3,
     Nothing, [](const RegistryFaults&) { ExpectViewerServer("TXRSE2.DLL", false, false); }},
    {"ExtThreadingModel", TXRRegShellExtClassId, reg::Op::SetValue,
     "InProcServer32\\ThreadingModel", 28, 26, 1054, 1, 3, Nothing,
     [](const RegistryFaults&) { ExpectViewerServer("TXRSE2.DLL", true, false); }},
    {"ExtServerClose", TXRRegShellExtClassId, reg::Op::Close, kExtServer, 29, 6, 1055, 2, 2,
     Nothing,
     [](const RegistryFaults& faults) {
         ExpectViewerServer("TXRSE2.DLL", true, true);
         EXPECT_TRUE(Ran(faults, reg::Op::Close, kExtClass));
     }},
    {"ExtClassClose", TXRRegShellExtClassId, reg::Op::Close, kExtClass, 32, 6, 1056, 2, 2,
     Nothing, [](const RegistryFaults&) { ExpectViewerServer("TXRSE2.DLL", true, true); }},

    // App Paths
    {"ViewerAppPathCreate", TXRRegTXR32AppPath, reg::Op::Create, kViewerAppPath, 107, 106, 1040,
     2, 2, Nothing,
     [](const RegistryFaults&) { EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kViewerAppPathKey)); }},
    {"ViewerAppPathValue", TXRRegTXR32AppPath, reg::Op::SetValue, kViewerAppPath, 105, 106, 1041,
     2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kViewerAppPathKey));
         EXPECT_FALSE(Default(HKEY_LOCAL_MACHINE, kViewerAppPathKey));
     }},
    {"ViewerAppPathClose", TXRRegTXR32AppPath, reg::Op::Close, kViewerAppPath, 108, 6, 1045, 2,
     2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("X:\\TXR\\PROGRAM\\TXR32.EXE"),
                   Default(HKEY_LOCAL_MACHINE, kViewerAppPathKey));
     }},
    {"SupportAppPathCreate", TXRRegTXRSuppAppPath, reg::Op::Create, kSupportAppPath, 111, 110,
     1040, 2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSupportAppPathKey));
     }},
    {"SupportAppPathValue", TXRRegTXRSuppAppPath, reg::Op::SetValue, kSupportAppPath, 109, 110,
     1041, 2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kSupportAppPathKey));
         EXPECT_FALSE(Default(HKEY_LOCAL_MACHINE, kSupportAppPathKey));
     }},
    {"SupportAppPathClose", TXRRegTXRSuppAppPath, reg::Op::Close, kSupportAppPath, 112, 6, 1045,
     2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("X:\\TXR\\SUPPORT\\TXRSUPP.EXE"),
                   Default(HKEY_LOCAL_MACHINE, kSupportAppPathKey));
     }},

    // TXRRegQuickView
    {"QuickViewClose", TXRRegQuickView, reg::Op::Close, "HKCR\\QuickView", 12, 6, 1021, 2, 2,
     SystemViewerEntry,
     [](const RegistryFaults&) {
         EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QuickView\\.txt")) << "the walk ran first";
     },
     1},  // one opening serves the saved copy and the walk

    // TXRRegQuickViewDefault
    {"DefaultViewerCreate", TXRRegQuickViewDefault, reg::Op::Create, kDefaultViewer, 16, 14,
     1030, 2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("Orbisel"), Default(HKEY_CLASSES_ROOT, "QuickView"));
         EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDefaultViewerKey));
     }},
    {"DefaultViewerValue", TXRRegQuickViewDefault, reg::Op::SetValue, kDefaultViewer, 13, 14,
     1031, 2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kDefaultViewerKey));
         EXPECT_FALSE(Default(HKEY_CLASSES_ROOT, kDefaultViewerKey));
     }},
    {"DefaultViewerClose", TXRRegQuickViewDefault, reg::Op::Close, kDefaultViewer, 15, 6, 1032,
     2, 2, Nothing,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("Orbisel"), Default(HKEY_CLASSES_ROOT, kDefaultViewerKey));
     }},

    // TXRRegQuickViewCommand
    {"CommandCreate", TXRRegQuickViewCommand, reg::Op::Create, kCommand, 113, 115, 1030, 2, 2,
     Nothing,
     [](const RegistryFaults&) { EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Below(kCommand))); }},
    {"CommandClose", TXRRegQuickViewCommand, reg::Op::Close, kCommand, 114, 6, 1032, 2, 2,
     Nothing,
     [](const RegistryFaults&) { EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Below(kCommand))); }},

    // TXRRegExchangeMenu
    {"ExchangeFirstWrite", TXRRegExchangeMenu, reg::Op::SetValue, kExchange1, 33, 36, 1025, 2, 2,
     ExchangeItems,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("&Quick View,0,2"), Default(HKEY_CLASSES_ROOT, Below(kExchange1)));
         EXPECT_EQ(std::string("&Orbisel, 0, 2"), Default(HKEY_CLASSES_ROOT, Below(kExchange2)))
             << "goes on with the second key";
     }},
    {"ExchangeSecondWrite", TXRRegExchangeMenu, reg::Op::SetValue, kExchange2, 33, 36, 1025, 2,
     2, ExchangeItems,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("&Orbisel, 0, 2"), Default(HKEY_CLASSES_ROOT, Below(kExchange1)));
         EXPECT_EQ(std::string("&Quick View,0,2"), Default(HKEY_CLASSES_ROOT, Below(kExchange2)));
     }},
    {"ExchangeSecondClose", TXRRegExchangeMenu, reg::Op::Close, kExchange2, 34, 6, 1026, 2, 2,
     ExchangeItems,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("&Orbisel, 0, 2"), Default(HKEY_CLASSES_ROOT, Below(kExchange1)));
         EXPECT_EQ(std::string("&Orbisel, 0, 2"), Default(HKEY_CLASSES_ROOT, Below(kExchange2)));
     }},

    // TXRRegExchangeWordMenu
    {"WordMailWrite", TXRRegExchangeWordMenu, reg::Op::SetValue, kWordMail, 100, 36, 1025, 2, 2,
     WordMailItem,
     [](const RegistryFaults& faults) {
         EXPECT_EQ(std::string("&Quick View, 0, 2"), Default(HKEY_CLASSES_ROOT, Below(kWordMail)));
         EXPECT_TRUE(Ran(faults, reg::Op::Close, kWordMail));
     }},
    {"WordMailClose", TXRRegExchangeWordMenu, reg::Op::Close, kWordMail, 101, 6, 1026, 2, 2,
     WordMailItem,
     [](const RegistryFaults&) {
         EXPECT_EQ(std::string("&Orbisel, 0, 2"), Default(HKEY_CLASSES_ROOT, Below(kWordMail)));
     }},
};

class RegistrationFailureTest : public RegistrationTest,
                                public ::testing::WithParamInterface<FailureRow> {
protected:
    RegistrationFailureTest() { os::ForcePlatform(os::Platform::WindowsNT); }
};

TEST_P(RegistrationFailureTest, LogsTheRowAndGoesOnAsItSays) {
    const FailureRow& row = GetParam();
    row.prepare();
    RegistryFaults faults;
    faults.Fail(row.op, row.target);
    EXPECT_EQ(row.result, row.function(kModeInstall, log_, kInstallPath));
    EXPECT_EQ(row.matchingCalls, faults.failures()) << "exactly the row's call failed";
    EXPECT_EQ(std::vector<LogRecord>{Logged(row.whatFailed, row.effect, row.code)}, Records());
    if (row.severity == kFatal) {
        ASSERT_EQ(1u, prompts_.shown().size());
        const auto& box = prompts_.shown()[0];
        EXPECT_EQ(FatalBoxText(row.whatFailed, row.code), box.text);
        EXPECT_EQ("Orbisel - Setup Error", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), box.style);
        EXPECT_EQ(nullptr, box.owner);
    } else {
        EXPECT_TRUE(prompts_.shown().empty());
    }
    row.after(faults);
}

TEST_P(RegistrationFailureTest, ANullLogKeyStillDecidesTheResult) {
    const FailureRow& row = GetParam();
    row.prepare();
    RegistryFaults faults;
    faults.Fail(row.op, row.target);
    EXPECT_EQ(row.result, row.function(kModeInstall, nullptr, kInstallPath));
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(row.severity == kFatal ? 1u : 0u, prompts_.shown().size());
}

INSTANTIATE_TEST_SUITE_P(EveryRow, RegistrationFailureTest, ::testing::ValuesIn(kRows),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace txr::test
