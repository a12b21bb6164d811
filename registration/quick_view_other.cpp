// TXRRegQuickViewOther: the "QuickView" subkeys of file types.
//
// A file type (or extension) of HKCR may carry a "QuickView" subkey that
// puts the system's "Quick View" item on its context menu.  When its
// default value is not a class identifier ("*", say) or is the system
// viewer's, the item is redundant beside the product's: install moves the
// subkey aside to "QuickView.Original" of the same type, removal moves it
// back.  A "QuickView" naming any other viewer stays.
#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "registration/registration_support.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

#include <cstring>

namespace txr::registration {
namespace {

// The default value of a type's "QuickView" is read into 128 bytes.
constexpr DWORD kViewerValueSize = 128;

// "<name>\QuickView" and "<name>\QuickView.Original" of one top-level key.
struct TypePaths {
    char quickView[kKeyPathSize];
    char saved[kKeyPathSize];
    explicit TypePaths(const char* name) {
        text::FormatTo(quickView, sizeof quickView, "%s\\QuickView", name);
        text::FormatTo(saved, sizeof saved, "%s\\QuickView.Original", name);
    }
};

bool IsRedundant(const char* viewer) {
    return viewer[0] != '{' || std::strcmp(viewer, kSystemViewerClassId) == 0;
}

// True when the type's "QuickView" opens with the given access, its
// default value can be read and it is redundant; the key is then left open
// in key, for the caller to move.
bool OpenRedundantQuickView(const char* quickViewPath, REGSAM access, reg::Key& key) {
    if (reg::Open(HKEY_CLASSES_ROOT, quickViewPath, access, key.receive()) != ERROR_SUCCESS) {
        return false;
    }
    char viewer[kViewerValueSize];
    return QueryRegistryString(key.get(), nullptr, viewer, sizeof viewer) == ERROR_SUCCESS &&
           IsRedundant(viewer);
}

// Calls visit(name) for every top-level key of HKCR, in order, until it
// returns false or the enumeration ends.  The visits change only keys
// below the names, so the indexes stay valid.
template <typename Visit>
void ForEachTopLevelKey(Visit visit) {
    for (DWORD index = 0;; ++index) {
        char name[kKeyNameSize];
        DWORD length = sizeof name;
        if (reg::EnumKey(HKEY_CLASSES_ROOT, index, name, &length) != ERROR_SUCCESS) return;
        if (!visit(name)) return;
    }
}

// Always 1: a type that cannot be read or moved keeps its subkey, and
// nothing is logged.  The subkey is deleted only once its copy is whole, so
// a failed or partial copy never loses it; a copy saved by an earlier
// install keeps what it saved first.  The subkey is opened once for its
// test, its copy and its deletion.
int Install(HKEY, const char*) {
    ForEachTopLevelKey([](const char* name) {
        TypePaths paths(name);
        reg::Key quickView;
        KeyShape shape;
        if (OpenRedundantQuickView(paths.quickView, kFullAccess, quickView) &&
            SaveOpenKeyTree(quickView.get(), HKEY_CLASSES_ROOT, paths.saved, &shape) ==
                ERROR_SUCCESS) {
            DeleteKnownKeyTree(HKEY_CLASSES_ROOT, paths.quickView, shape, &quickView);
        }
        return true;
    });
    return kRegDone;
}

void Remove() {
    ForEachTopLevelKey([](const char* name) {
        TypePaths paths(name);
        reg::Key saved;
        KeyShape shape;
        if (reg::Open(HKEY_CLASSES_ROOT, paths.saved, kFullAccess, saved.receive()) ==
                ERROR_SUCCESS &&
            CopyOpenKeyTreeWhole(saved.get(), HKEY_CLASSES_ROOT, paths.quickView, &shape) ==
                ERROR_SUCCESS) {
            DeleteKnownKeyTree(HKEY_CLASSES_ROOT, paths.saved, shape, &saved);
        }
        return true;
    });
}

// 4 at the first type that still has a redundant "QuickView".
int Check(const char*) {
    int result = kCheckCorrect;
    ForEachTopLevelKey([&result](const char* name) {
        reg::Key quickView;
        if (!OpenRedundantQuickView(TypePaths(name).quickView, kReadAccess, quickView)) {
            return true;
        }
        result = kCheckWrong;
        return false;
    });
    return result;
}

constexpr RegistrationModes kQuickViewOtherModes{Install, Remove, Check, false};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegQuickViewOther(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kQuickViewOtherModes);
}
