#include "installer/install_list_cutter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool Complete(InstallListCutter &cutter)
{
    cutter.entry[cutter.length] = '\0';
    cutter.complete = true;
    return true;
}

// Appends one byte; true when that completes the entry.
bool Append(InstallListCutter &cutter, char byte)
{
    if (byte == '\0' && !cutter.hasZero) {
        cutter.hasZero = true;
        cutter.zeroAt = cutter.length;
    }
    cutter.entry[cutter.length++] = byte;
    return byte == '\n' || cutter.length == InstallListEntryMax ? Complete(cutter) : false;
}

void StartNextEntry(InstallListCutter &cutter)
{
    if (cutter.complete) {
        cutter.length = 0;
        cutter.hasZero = false;
        cutter.complete = false;
    }
}

// The bytes that need more than copying; all lie below 0x20, which most
// bytes of a name do not.
bool EndsRun(char byte)
{
    return static_cast<unsigned char>(byte) <= 0x1A &&
           (byte == '\n' || byte == '\r' || byte == '\x1A' || byte == '\0');
}

} // namespace

bool CutInstallListEntry(InstallListCutter &cutter, const char *&next, const char *end)
{
    StartNextEntry(cutter);
    while (!cutter.ended && next != end) {
        if (cutter.heldCR) {
            cutter.heldCR = false;
            if (*next == '\n') {
                ++next;
                return Append(cutter, '\n');
            }
            // A lone CR is part of the name; the byte after it is looked at
            // afresh, in the next entry when the CR filled this one.
            if (Append(cutter, '\r'))
                return true;
            continue;
        }

        // Ordinary bytes are taken a run at a time. The scan works on local
        // pointers: byte stores into the entry would otherwise make the
        // compiler reload the cutter's fields after every byte.
        const char *run = next;
        const char *limit =
            run + std::min<size_t>(end - run, InstallListEntryMax - cutter.length);
        const char *stop = run;
        // Whole words go by while none of their bytes lies below 0x20.
        while (limit - stop >= static_cast<ptrdiff_t>(sizeof(std::uint64_t))) {
            std::uint64_t word;
            std::memcpy(&word, stop, sizeof word);
            if ((word - 0x2020202020202020u) & ~word & 0x8080808080808080u)
                break;
            stop += sizeof word;
        }
        while (stop != limit && !EndsRun(*stop))
            ++stop;
        std::memcpy(cutter.entry + cutter.length, run, stop - run);
        cutter.length += stop - run;
        next = stop;
        if (cutter.length == InstallListEntryMax)
            return Complete(cutter);
        if (stop == end)
            break;
        if (*stop == '\x1A') {
            cutter.ended = true;
            break;
        }
        ++next;
        if (*stop == '\r')
            cutter.heldCR = true;
        else if (Append(cutter, *stop))
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
    return cutter.length != 0 && Complete(cutter);
}

bool InstallListFileName(InstallListCutter &cutter, size_t &nameLength)
{
    if (cutter.entry[0] == '\0')
        return false;
    nameLength = cutter.hasZero ? cutter.zeroAt : cutter.length;
    cutter.entry[nameLength] = '\0';
    if (cutter.entry[nameLength - 1] == '\n')
        cutter.entry[--nameLength] = '\0';
    return true;
}
