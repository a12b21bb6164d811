#include "tests/support/registry_redirect.h"

#include <gtest/gtest.h>

namespace txr::test {
namespace {

HKEY CreateScratch(const std::string& path) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) ADD_FAILURE() << "cannot create scratch key " << path;
    return key;
}

}  // namespace

RegistryRedirect::RegistryRedirect() {
    static int serial = 0;
    base_ = "Software\\OrbiselTests\\" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++serial);
    // A key left by an earlier process with the same id must not leak into this test.
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    machine_ = CreateScratch(base_ + "\\HKLM");
    user_ = CreateScratch(base_ + "\\HKCU");
    classes_ = CreateScratch(base_ + "\\HKCR");
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_));
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_));
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, user_));
}

RegistryRedirect::~RegistryRedirect() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (HKEY key : {machine_, user_, classes_}) {
        if (key) RegCloseKey(key);
    }
    // The shared parent stays: test programs run in parallel, and deleting it while it is
    // empty races another program creating its own scratch key beneath it one level at a time.
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
}

}  // namespace txr::test
