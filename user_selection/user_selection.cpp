// Lists Palm Desktop's handheld users, sorted by the combo box itself, and
// keeps the one the user accepts in SelectedUserName.
#include <cstring>

#include "installer/installer.h"
#include "user_selection/user_selection.h"

namespace {

void ReportAndEnd(HWND dialog, const char *text, const char *caption)
{
    ShowFailureReport(text, caption);
    EndDialog(dialog, 0);
}

// Every failure ends the dialog; one met here ends it before it is ever shown.
void FillUserNameList(HWND dialog)
{
    PltGetUserCountEntry pltGetUserCount =
        BindEntry<PltGetUserCountEntry>(InstAideModule, "PltGetUserCount");
    if (pltGetUserCount == NULL) {
        ReportAndEnd(dialog,
                     "Unable to access user count. Please make sure Palm Desktop is properly "
                     "installed.",
                     TellwickInstallationError);
        return;
    }
    int userCount = pltGetUserCount();
    if (userCount <= 0) {
        ReportAndEnd(dialog, "There are no users to install the Quillmere Tellwick to.",
                     TellwickInstallationError);
        return;
    }
    PltGetUserEntry pltGetUser = BindEntry<PltGetUserEntry>(InstAideModule, "PltGetUser");
    if (pltGetUser == NULL) {
        ReportAndEnd(dialog,
                     "Unable to access user names. Please make sure Palm Desktop is properly "
                     "installed.",
                     TellwickInstallationError);
        return;
    }

    char name[SelectedUserNameSize];
    for (int index = 0; index < userCount; ++index) {
        int size = sizeof name;
        // A name with no zero byte in the buffer did not fit; listing it cut
        // short could name another user.
        if (pltGetUser(index, name, &size) < 0 || std::memchr(name, 0, sizeof name) == NULL) {
            ReportAndEnd(dialog,
                         "An error occured while trying to access user names. Please make sure "
                         "Palm Desktop is properly installed.",
                         TellwickInstallationError);
            return;
        }
        LRESULT added = SendDlgItemMessageA(dialog, UserNameList, CB_ADDSTRING, 0,
                                            reinterpret_cast<LPARAM>(name));
        if (added == CB_ERR || added == CB_ERRSPACE) {
            ReportAndEnd(dialog,
                         "Could not add user to list. Please make sure you have closed all other "
                         "programs.",
                         ApplicationError);
            return;
        }
    }

    if (SendDlgItemMessageA(dialog, UserNameList, CB_SETCURSEL, 0, 0) == CB_ERR) {
        ReportAndEnd(dialog,
                     "Could not set default selection. Please make sure you have closed all "
                     "other programs.",
                     ApplicationError);
    }
}

void AcceptSelectedUser(HWND dialog)
{
    LRESULT selected = SendDlgItemMessageA(dialog, UserNameList, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) {
        ReportAndEnd(dialog,
                     "Could not get current selection index. Please make sure you have closed "
                     "all other programs.",
                     ApplicationError);
        return;
    }
    // CB_GETLBTEXT is given no size, so the entry's length is checked first.
    LRESULT length = SendDlgItemMessageA(dialog, UserNameList, CB_GETLBTEXTLEN, selected, 0);
    if (length == CB_ERR || length >= static_cast<LRESULT>(SelectedUserNameSize) ||
        SendDlgItemMessageA(dialog, UserNameList, CB_GETLBTEXT, selected,
                            reinterpret_cast<LPARAM>(SelectedUserName)) == CB_ERR) {
        ReportAndEnd(dialog,
                     "Could not get current selection text. Please make sure you have closed "
                     "all other programs.",
                     ApplicationError);
        return;
    }
    EndDialog(dialog, 1);
}

} // namespace

INT_PTR CALLBACK UserSelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FillUserNameList(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptSelectedUser(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
