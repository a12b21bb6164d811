#include "registration/quick_view_saved_copy.h"

#include "platform/registry_api.h"
#include "registration/registry_primitives.h"

namespace txr::registration {
namespace {

constexpr char kQuickViewKey[] = "QuickView";
constexpr char kSavedQuickViewKey[] = "QuickView.Original";

// The status of reading the default value of HKCR\path: ERROR_SUCCESS when
// it is there, ERROR_FILE_NOT_FOUND when the key or the value is not.
LONG ReadName(const char* path) {
    reg::Key key;
    LONG status = reg::Open(HKEY_CLASSES_ROOT, path, kQueryAccess, key.receive());
    if (status != ERROR_SUCCESS) return status;
    return reg::QueryValue(key.get(), "", nullptr, nullptr, nullptr);
}

}  // namespace

bool SaveQuickViewBeforeTakeover() {
    LONG saved = SaveKeyTree(HKEY_CLASSES_ROOT, kQuickViewKey, HKEY_CLASSES_ROOT,
                             kSavedQuickViewKey);
    return saved == ERROR_SUCCESS || saved == ERROR_FILE_NOT_FOUND;
}

bool SaveQuickViewBeforeTakeover(HKEY quickView, KeyShape* shape) {
    return SaveOpenKeyTree(quickView, HKEY_CLASSES_ROOT, kSavedQuickViewKey, shape) ==
           ERROR_SUCCESS;
}

bool QuickViewNameSaved() {
    if (ReadName(kQuickViewKey) == ERROR_FILE_NOT_FOUND) return true;  // nothing to lose
    if (ReadName(kSavedQuickViewKey) == ERROR_SUCCESS) return true;
    return SaveQuickViewBeforeTakeover();
}

}  // namespace txr::registration
