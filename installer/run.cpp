// The program's run, from start-up to exit code: find Palm Desktop, load and
// bind its install library, let the user choose a handheld user, install the
// File Install List, release the library and report the outcome.
#include <cstring>

#include "installer/installer.h"
#include "user_selection/user_selection.h"

HMODULE InstAideModule;
char InstAidePath[InstAidePathSize];
char SelectedUserName[SelectedUserNameSize];

namespace {

const char PalmDesktopCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
const char PalmAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Palm.exe";
const char InstAideFileName[] = "\\instaide.dll";

// Reads the location's "Path" value into InstAidePath; false when the key or
// the value is absent or the value does not fit.
bool ReadPalmDesktopDirectory(HKEY root, const char *subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = InstAidePathSize;
    LSTATUS result = RegQueryValueExA(key, "Path", NULL, NULL,
                                      reinterpret_cast<LPBYTE>(InstAidePath), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    // A query that failed at the first location may have left bytes of its own
    // behind this value's data; they are not part of the directory.
    if (size < InstAidePathSize)
        std::memset(InstAidePath + size, 0, InstAidePathSize - size);
    return true;
}

// Appends the library's file name to the directory in InstAidePath; false
// when the directory leaves no room for it.
bool AppendInstAideFileName()
{
    const void *end = std::memchr(InstAidePath, 0, InstAidePathSize);
    if (end == NULL)
        return false;
    size_t directoryLength = static_cast<const char *>(end) - InstAidePath;
    if (directoryLength + sizeof InstAideFileName > InstAidePathSize)
        return false;
    std::memcpy(InstAidePath + directoryLength, InstAideFileName, sizeof InstAideFileName);
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    bool InstallSucceeded = true;

    if (!ReadPalmDesktopDirectory(HKEY_CURRENT_USER, PalmDesktopCoreKey) &&
        !ReadPalmDesktopDirectory(HKEY_LOCAL_MACHINE, PalmAppPathKey)) {
        ShowFailureReport("Could not find Palm Desktop installation directory. Please make sure you "
                    "have correctly installed Palm Desktop.",
                    TellwickInstallationError);
        return 0;
    }

    // A directory too long for the library's name cannot hold the library.
    // The altered search path makes the DLLs the library needs come from
    // Palm Desktop's directory, not from wherever this program was saved.
    if (AppendInstAideFileName())
        InstAideModule = LoadLibraryExA(InstAidePath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (InstAideModule == NULL) {
        ShowFailureReport("Unabled to find instaide.dll.  Please ensure you have correctly installed "
                    "the Palm Desktop.",
                    TellwickInstallationError);
        return 0;
    }

    PltInstallFileEntry pltInstallFile =
        BindInstAideEntry<PltInstallFileEntry>(InstAideModule, "PltInstallFile");
    if (pltInstallFile == NULL) {
        InstallSucceeded = false;
        ShowFailureReport("Unable to interface with this version of the Palm Desktop.  Please ensure "
                    "that you have correctly installed the latest version of the Palm Desktop.",
                    TellwickInstallationError);
    } else {
        INT_PTR choice = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_USER_SELECTION), NULL,
                                         UserSelectionDialogProc, 0);
        if (choice == -1) {
            // The dialog never ran, so no user was chosen: installing for an
            // empty name would go to nobody's handheld.
            ShowFailureReport("Could not open the user selection dialog. Please make sure you have "
                        "closed all other programs.",
                        ApplicationError);
        }
        if (choice == 0 || choice == -1)
            InstallSucceeded = false;
        else
            InstallFileInstallList(SelectedUserName, pltInstallFile, InstallSucceeded);
    }

    FreeLibrary(InstAideModule);
    if (InstallSucceeded) {
        MessageBoxA(NULL,
                    "Installation to your handheld was a success. The next time you perform a "
                    "HotSync operation, the files will be installed on your handheld.",
                    "Installation Successful", MB_OK | MB_ICONINFORMATION);
    }
    return 0;
}
