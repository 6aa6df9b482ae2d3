#include "installer/install_list_cutter.h"

#include <cstring>

namespace {

// Appends one byte; true when that completes the entry.
bool Append(InstallListCutter &cutter, char byte)
{
    cutter.entry[cutter.length++] = byte;
    if (byte != '\n' && cutter.length < InstallListEntryMax)
        return false;
    cutter.entry[cutter.length] = '\0';
    cutter.complete = true;
    return true;
}

void StartNextEntry(InstallListCutter &cutter)
{
    if (cutter.complete) {
        cutter.length = 0;
        cutter.complete = false;
    }
}

} // namespace

bool CutInstallListEntry(InstallListCutter &cutter, const char *&next, const char *end)
{
    StartNextEntry(cutter);
    while (!cutter.ended && next != end) {
        char byte = *next;
        if (cutter.heldCR) {
            cutter.heldCR = false;
            if (byte == '\n') {
                ++next;
                return Append(cutter, '\n');
            }
            // A lone CR is part of the name; the byte after it is looked at
            // afresh, in the next entry when the CR filled this one.
            if (Append(cutter, '\r'))
                return true;
            continue;
        }
        if (byte == '\x1A') {
            cutter.ended = true;
            break;
        }
        ++next;
        if (byte == '\r')
            cutter.heldCR = true;
        else if (Append(cutter, byte))
            return true;
    }
    return false;
}

bool FinishInstallList(InstallListCutter &cutter)
{
    StartNextEntry(cutter);
    if (cutter.heldCR) {
        cutter.heldCR = false;
        if (Append(cutter, '\r'))
            return true;
    }
    if (cutter.length == 0)
        return false;
    cutter.entry[cutter.length] = '\0';
    cutter.complete = true;
    return true;
}

bool InstallListFileName(InstallListCutter &cutter, size_t &nameLength)
{
    if (cutter.entry[0] == '\0')
        return false;
    nameLength = std::strlen(cutter.entry);
    if (cutter.entry[nameLength - 1] == '\n')
        cutter.entry[--nameLength] = '\0';
    return true;
}
