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
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\OrbiselTests");  // only when empty
}

}  // namespace txr::test
