// Resource numbers shared by the resource script and the code.
#ifndef TELLWICK_USER_SELECTION_RESOURCES_H
#define TELLWICK_USER_SELECTION_RESOURCES_H

#define IDD_USER_SELECTION 101
#define IDI_HANDHELD 103
#define UserNameList 1002

// Controls the code never addresses; windows.h leaves this to resource headers.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
