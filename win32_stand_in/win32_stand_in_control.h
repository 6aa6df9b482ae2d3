// How tests set up the host stand-in of Win32 and read back what the program
// did with it. One process-wide state: the program under test is
// single-threaded and so are the tests.
#ifndef TELLWICK_WIN32_STAND_IN_CONTROL_H
#define TELLWICK_WIN32_STAND_IN_CONTROL_H

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "win32_stand_in/win32_stand_in.h"

struct StandInLibrary {
    std::map<std::string, FARPROC> exports;
};

struct StandInFile {
    std::string bytes;
    bool opens = true;           // false: the file exists but cannot be opened
    size_t readFailsAt = std::string::npos; // a read at or past this offset fails
};

// What the user does while the dialog is shown, step by step.
struct StandInDialogStep {
    enum Kind {
        OkButton,     // a click on OK
        Enter,        // the Enter key: the default button's command
        CancelButton, // a click on Cancel
        Escape,       // the Escape key
        CloseCommand, // the caption's close button, Close on the system menu, Alt+F4
        Pick,         // picks entry `entry` in the opened list
        OtherCommand, // a notification from the list that no user action stands for
    };
    Kind kind;
    int entry;
};

struct StandInMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    bool dialogVisible;
};

struct Win32StandIn {
    // Set up by tests.
    std::map<std::pair<HKEY, std::string>, std::map<std::string, std::string>> registry;
    std::map<std::string, StandInLibrary> libraries; // by the exact path given to the loader
    // KERNEL32's loader calls of Windows 8 and later, as ResetStandIn lists
    // them; a test erases those an older Windows lacks.
    StandInLibrary kernel32;
    bool addDllDirectoryFails = false;
    std::map<std::string, StandInFile> files;
    std::string modulePath = "C:\\Program Files\\Tellwick\\TellwickPalmInstall.exe";
    bool modulePathFails = false;
    UINT codePage = 1252;
    std::vector<BYTE> leadByteRanges; // of codePage, in GetCPInfo's form

    bool dialogCannotBeCreated = false;
    std::vector<StandInDialogStep> dialogSteps;
    int addStringFailsAt = -1; // the CB_ADDSTRING call (counted from 0) that fails
    LRESULT addStringFailure = CB_ERRSPACE;
    bool setCurSelFails = false;
    bool getCurSelFails = false;
    bool getLbTextLenFails = false;
    bool getLbTextFails = false;
    std::vector<std::string> extraListEntries; // put in the list after filling, as if added

    // Recorded while the program runs.
    std::vector<std::string> events;
    std::vector<StandInMessageBox> messageBoxes;
    std::vector<DWORD> querySizesOnEntry; // RegQueryValueExA's size value as passed
    std::vector<std::string> listEntries; // the dialog's list as it was when it ended
    int listSelection = CB_ERR;
    bool dialogShown = false;
    int openKeys = 0;
    int openLibraries = 0;
    int openFiles = 0;
    int readFileCalls = 0;
    DWORD smallestReadRequest = 0;
};

extern Win32StandIn StandIn;

// Back to a machine with nothing on it: no registry values, no libraries, no
// files, code page 1252, nothing recorded.
void ResetStandIn();

// The lead-byte ranges of code page 932 (Shift-JIS) as GetCPInfo gives them.
std::vector<BYTE> ShiftJisLeadByteRanges();

template <typename Function>
FARPROC StandInExport(Function function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

#endif
