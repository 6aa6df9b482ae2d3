// The modal dialog in which the user picks one of Palm Desktop's handheld
// users. It ends with 1 when a name was chosen (then in SelectedUserName) and
// with 0 when the user cancelled or after it reported a failure itself.
#ifndef TELLWICK_USER_SELECTION_H
#define TELLWICK_USER_SELECTION_H

#include "platform/win32.h"
#include "user_selection/user_selection_resources.h"

INT_PTR CALLBACK UserSelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
