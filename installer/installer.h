// What the run, the user selection dialog and the File Install List stage
// share. The program keeps no other state.
#ifndef TELLWICK_INSTALLER_H
#define TELLWICK_INSTALLER_H

#include "instaide/instaide.h"
#include "platform/win32.h"

const unsigned InstAidePathSize = 260;
const unsigned SelectedUserNameSize = 256;

// Palm Desktop's install library, loaded for the span of the run.
extern HMODULE InstAideModule;
// Palm Desktop's directory, then the library's full path.
extern char InstAidePath[InstAidePathSize];
// The handheld user chosen in the dialog; every install request is for them.
extern char SelectedUserName[SelectedUserNameSize];

const char TellwickInstallationError[] = "Tellwick Installation Error";
const char ApplicationError[] = "Application Error";

// Every failure is told at once in a box of its own, owned by no window.
inline void ShowFailureReport(const char *text, const char *caption)
{
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

// Hands every file named in the File Install List beside the program to the
// install library for `userName`, reporting each refusal. Clears
// `installSucceeded` on every failure and never sets it.
void InstallFileInstallList(const char *userName, PltInstallFileEntry pltInstallFile,
                            bool &installSucceeded);

#endif
