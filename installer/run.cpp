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

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A drive with its root ("C:\") or a network share ("\\server\share"): a path
// that names the same place whatever the working directory is.
bool IsFullPath(const char *path)
{
    if (IsSeparator(path[0]))
        return IsSeparator(path[1]);
    char drive = static_cast<char>(path[0] | 0x20);
    return drive >= 'a' && drive <= 'z' && path[1] == ':' && IsSeparator(path[2]);
}

// The length of Palm Desktop's directory in InstAidePath; 0 when it does not
// name one place or leaves no room for the library's file name. A relative
// one would be looked for in this program's folder or the working directory,
// which may be a download folder holding anything.
size_t PalmDesktopDirectoryLength()
{
    const void *end = std::memchr(InstAidePath, 0, InstAidePathSize);
    if (end == NULL || !IsFullPath(InstAidePath))
        return 0;
    size_t length = static_cast<const char *>(end) - InstAidePath;
    return length + sizeof InstAideFileName <= InstAidePathSize ? length : 0;
}

template <typename Entry>
Entry BindKernel32Entry(const char *exportName)
{
    return BindEntry<Entry>(GetModuleHandleA("kernel32.dll"), exportName);
}

typedef BOOL(WINAPI *SetDefaultDllDirectoriesEntry)(DWORD directoryFlags);
typedef DLL_DIRECTORY_COOKIE(WINAPI *AddDllDirectoryEntry)(LPCWSTR directory);
typedef BOOL(WINAPI *SetDllDirectoryAEntry)(LPCSTR directory);

// Where the run's DLLs come from is decided at its start: the system
// directory, joined by Palm Desktop's once the registry has named it; never
// this program's folder, the working directory or PATH, where a DLL loaded by
// bare name, by Windows for the first message box or by the install library
// while it runs, would otherwise be looked for. The calls are bound by name
// because Windows XP, and Vista and 7 without the update, lack them.

// Returns AddDllDirectory where the newer order took effect; empty where
// only the older one is left.
AddDllDirectoryEntry TrustOnlySystemDirectory()
{
    SetDefaultDllDirectoriesEntry setDefaultDllDirectories =
        BindKernel32Entry<SetDefaultDllDirectoriesEntry>("SetDefaultDllDirectories");
    AddDllDirectoryEntry addDllDirectory =
        BindKernel32Entry<AddDllDirectoryEntry>("AddDllDirectory");
    if (setDefaultDllDirectories != NULL && addDllDirectory != NULL &&
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS))
        return addDllDirectory;
    // The best older systems allow: the working directory is left out, though
    // this program's folder still comes first and PATH last.
    SetDllDirectoryAEntry setDllDirectoryA =
        BindKernel32Entry<SetDllDirectoryAEntry>("SetDllDirectoryA");
    if (setDllDirectoryA != NULL)
        setDllDirectoryA("");
    return NULL;
}

// Adds Palm Desktop's directory to where DLLs come from; returns how the
// library itself is to be loaded, its imports coming from its own directory.
DWORD TrustPalmDesktopDirectory(AddDllDirectoryEntry addDllDirectory,
                                const char *palmDesktopDirectory)
{
    if (addDllDirectory != NULL) {
        // Converted as the ANSI loader converts the library's path. Should the
        // directory not be added, DLLs come from the system directory alone.
        wchar_t directory[InstAidePathSize];
        if (MultiByteToWideChar(CP_ACP, 0, palmDesktopDirectory, -1, directory, InstAidePathSize))
            addDllDirectory(directory);
        return LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
    }
    SetDllDirectoryAEntry setDllDirectoryA =
        BindKernel32Entry<SetDllDirectoryAEntry>("SetDllDirectoryA");
    if (setDllDirectoryA != NULL)
        setDllDirectoryA(palmDesktopDirectory);
    return LOAD_WITH_ALTERED_SEARCH_PATH;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Windows XP draws no control of version 6 of the common controls, which
    // the manifest asks for, until the program itself has loaded them; later
    // systems load them by themselves.
    InitCommonControls();
    AddDllDirectoryEntry addDllDirectory = TrustOnlySystemDirectory();

    bool InstallSucceeded = true;

    if (!ReadPalmDesktopDirectory(HKEY_CURRENT_USER, PalmDesktopCoreKey) &&
        !ReadPalmDesktopDirectory(HKEY_LOCAL_MACHINE, PalmAppPathKey)) {
        ShowFailureReport("Could not find Palm Desktop installation directory. Please make sure you "
                    "have correctly installed Palm Desktop.",
                    TellwickInstallationError);
        return 0;
    }

    size_t directoryLength = PalmDesktopDirectoryLength();
    if (directoryLength != 0) {
        DWORD loadFlags = TrustPalmDesktopDirectory(addDllDirectory, InstAidePath);
        std::memcpy(InstAidePath + directoryLength, InstAideFileName, sizeof InstAideFileName);
        InstAideModule = LoadLibraryExA(InstAidePath, NULL, loadFlags);
    }
    if (InstAideModule == NULL) {
        ShowFailureReport("Unabled to find instaide.dll.  Please ensure you have correctly installed "
                    "the Palm Desktop.",
                    TellwickInstallationError);
        return 0;
    }

    PltInstallFileEntry pltInstallFile =
        BindEntry<PltInstallFileEntry>(InstAideModule, "PltInstallFile");
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
