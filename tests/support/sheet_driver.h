// Driving property sheets in-process, the way the platform's own
// property-sheet tests do: the sheet is created modeless, buttons are
// pressed with PSM_PRESSBUTTON, and pages and controls are read back.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "platform/property_sheet.h"

#include <memory>
#include <string>

namespace txr::test {

// Handles the messages waiting for this thread (and those they cause).
void PumpMessages();

// Creates the sheet modeless (PSH_MODELESS must be among its flags) and
// shows it; destroys it when the driver goes out of scope.
class SheetDriver {
public:
    explicit SheetDriver(PROPSHEETHEADERA& header);
    ~SheetDriver();
    SheetDriver(const SheetDriver&) = delete;
    SheetDriver& operator=(const SheetDriver&) = delete;

    HWND sheet() const { return sheet_; }
    HWND page() const;
    // Dialog resource number of the active page; 0 when the sheet closed.
    int pageId() const;
    // True once the sheet has ended (Finish, Cancel, OK, Close).
    bool closed() const;
    // PSBTN_NEXT, PSBTN_BACK, PSBTN_FINISH, PSBTN_CANCEL, PSBTN_OK ...
    void Press(int button);
    // Whether a wizard button (Next, Back, Finish: the sheet's controls
    // 0x3024, 0x3023, 0x3025) is shown and enabled.
    bool ButtonEnabled(int controlId) const;

private:
    HWND sheet_ = nullptr;
};

// One wizard page in a modeless wizard sheet of its own.
class SinglePageWizard {
public:
    SinglePageWizard(int dialog, DLGPROC procedure);
    SheetDriver& driver() { return *driver_; }
    HWND page() const { return driver_->page(); }

private:
    propsheet::Page page_{};
    PROPSHEETHEADERA header_{};
    std::unique_ptr<SheetDriver> driver_;
};

std::string ControlText(HWND page, int id);

// Reading a list view.
int ListCount(HWND list);
std::string ListText(HWND list, int item, int column = 0);
int ListStatePicture(HWND list, int item);
LPARAM ListItemData(HWND list, int item);
// The row whose first column reads text; -1 (and a test failure) if none.
int ListRowNamed(HWND list, const std::string& text);
// Selects (and focuses) one item.
void ListSelect(HWND list, int item);
// A real click (down and up) on the item's state picture or its label:
// the cursor is moved there first, so that the page's hit test sees it.
void ListClickStatePicture(HWND list, int item, bool doubleClick = false);
void ListClickLabel(HWND list, int item, bool doubleClick = false);

}  // namespace txr::test
