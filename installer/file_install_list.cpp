// Hands every file named in the File Install List, the text file beside the
// program, to the install library for the chosen user.
#include <cstring>

#include "installer/install_list_cutter.h"
#include "installer/installer.h"
#include "installer/program_directory.h"

namespace {

const char InstallListName[] = "TellwickPalm Files.txt";
const char MayBeInstalledReport[] =
    "The file %s could not be installed.  It may already be installed.";
const char InstallErrorReport[] =
    "The file %s could not be installed.  There was an error while trying to install it.";

const size_t PathSize = 256;
// Large enough for the longer report around the longest name an entry holds,
// so that the user always sees which file failed.
const size_t MessageSize = sizeof InstallErrorReport - 2 + InstallListEntryMax;
// Reading in blocks keeps a long list from costing a system call per byte.
const DWORD ListBlockSize = 4096;

void MarkAnsiLeadBytes(bool (&leadBytes)[256])
{
    CPINFO info;
    if (GetCPInfo(GetACP(), &info))
        MarkLeadBytes(info.LeadByte, MAX_LEADBYTES, leadBytes);
}

// The name goes in byte for byte: it is never used as a format, so a per-cent
// sign in it shows as itself.
void ShowRefusalReport(const char *report, const char *name, size_t nameLength)
{
    char message[MessageSize];
    const char *placeholder = std::strstr(report, "%s");
    size_t headLength = placeholder - report;
    const char *tail = placeholder + 2;
    std::memcpy(message, report, headLength);
    std::memcpy(message + headLength, name, nameLength);
    std::strcpy(message + headLength + nameLength, tail);
    ShowFailureReport(message, TellwickInstallationError);
}

} // namespace

void InstallFileInstallList(const char *userName, PltInstallFileEntry pltInstallFile,
                            bool &installSucceeded)
{
    char path[PathSize];
    char ProgramDirectory[PathSize];
    size_t directoryLength = 0;
    HANDLE list = INVALID_HANDLE_VALUE;

    // A program path that filled the buffer was cut short, and a cut path,
    // like a list path that does not fit, could name another file: neither is
    // opened. The program's path is cut down to its directory in place.
    DWORD programPathLength = GetModuleFileNameA(NULL, ProgramDirectory, PathSize);
    if (programPathLength != 0 && programPathLength < PathSize) {
        bool leadBytes[256] = {};
        MarkAnsiLeadBytes(leadBytes);
        directoryLength = ProgramDirectoryLength(ProgramDirectory, leadBytes);
        ProgramDirectory[directoryLength] = '\0';
        if (directoryLength + sizeof InstallListName <= PathSize) {
            std::memcpy(path, ProgramDirectory, directoryLength);
            std::memcpy(path + directoryLength, InstallListName, sizeof InstallListName);
            list = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        }
    }
    if (list == INVALID_HANDLE_VALUE) {
        installSucceeded = false;
        ShowFailureReport("Unable to open File Install List for reading.",
                          TellwickInstallationError);
        return;
    }

    // From here on the path begins with ProgramDirectory, and each entry's
    // name takes the place of what follows it.
    InstallListCutter cutter = {};
    char block[ListBlockSize];
    const char *next = block;
    const char *end = block;
    for (;;) {
        if (!CutInstallListEntry(cutter, next, end)) {
            DWORD read = 0;
            if (!cutter.ended && ReadFile(list, block, ListBlockSize, &read, NULL) && read != 0) {
                next = block;
                end = block + read;
                continue;
            }
            // The file's end, a 0x1A byte and a read error all end the list.
            cutter.ended = true;
            if (!FinishInstallList(cutter))
                break;
        }

        size_t nameLength;
        if (!InstallListFileName(cutter, nameLength))
            continue;
        const char *name = cutter.entry;
        const char *report = InstallErrorReport;
        // A full path that would have to be cut could name another file, so
        // it is refused here instead of being handed over.
        if (directoryLength + nameLength < PathSize) {
            std::memcpy(path + directoryLength, name, nameLength + 1);
            int result = pltInstallFile(userName, path);
            if (result == 0)
                continue;
            if (result == PltInstallFileMayBeInstalled)
                report = MayBeInstalledReport;
        }
        installSucceeded = false;
        ShowRefusalReport(report, name, nameLength);
    }
    CloseHandle(list);
}
