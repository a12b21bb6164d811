// The Choose Application dialog (resource 114): the user picks one of the
// folders in which the program scan found an application.
#include "integration/program_scan.h"

#include "platform/bounded_text.h"
#include "registration/message_text.h"
#include "setup/library_state.h"

namespace txr {
namespace {

INT_PTR CALLBACK ChooseApplicationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const FoundListHead& head = *reinterpret_cast<const FoundListHead*>(lParam);
        char prompt[512];
        text::FormatTo(prompt, sizeof prompt, LoadMessageText(kMsgMoreThanOneCopy), head.Name);
        SetDlgItemTextA(dialog, kChooseApplicationText, prompt);
        // The list keeps itself sorted; each entry remembers its copy.
        for (std::size_t i = 0; i < head.Copies.size(); ++i) {
            LRESULT item = SendDlgItemMessageA(dialog, kChooseApplicationList, LB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(head.Copies[i].Path));
            if (item >= 0) {
                SendDlgItemMessageA(dialog, kChooseApplicationList, LB_SETITEMDATA,
                                    static_cast<WPARAM>(item), static_cast<LPARAM>(i));
            }
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            // The dialog's result is the chosen copy's index + 1; 0 is no
            // choice, as is OK without a selection.
            LRESULT selected = SendDlgItemMessageA(dialog, kChooseApplicationList, LB_GETCURSEL, 0, 0);
            INT_PTR result = 0;
            if (selected != LB_ERR) {
                LRESULT copy = SendDlgItemMessageA(dialog, kChooseApplicationList, LB_GETITEMDATA,
                                                   static_cast<WPARAM>(selected), 0);
                if (copy != LB_ERR) result = static_cast<INT_PTR>(copy) + 1;
            }
            EndDialog(dialog, result);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int ChooseApplication(HWND owner, const FoundListHead& head) {
    INT_PTR result = DialogBoxParamA(Library().module, MAKEINTRESOURCEA(kChooseApplicationDialog),
                                     owner, ChooseApplicationProc,
                                     reinterpret_cast<LPARAM>(&head));
    // -1 and 0: the dialog could not be shown, or no choice was made.
    if (result <= 0 || static_cast<std::size_t>(result) > head.Copies.size()) return -1;
    return static_cast<int>(result - 1);
}

}  // namespace txr
