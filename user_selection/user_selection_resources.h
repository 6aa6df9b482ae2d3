// Resource numbers shared by the resource script and the code.
#ifndef TELLWICK_USER_SELECTION_RESOURCES_H
#define TELLWICK_USER_SELECTION_RESOURCES_H

#define IDD_USER_SELECTION 101
#define IDI_HANDHELD 103
#define UserNameList 1002

#endif
