// Cuts the File Install List's bytes into entries, one block at a time, with
// no platform call, so that every cut can be tested and fuzzed on its own.
//
// The list ends at its end or at its first 0x1A byte. CR LF is read as LF; a
// CR that is not followed by LF is an ordinary byte. An entry ends after a
// line break, after its 259th byte, or at the list's end, and no entry is made
// of nothing. How the blocks are split never changes the entries.
#ifndef TELLWICK_INSTALL_LIST_CUTTER_H
#define TELLWICK_INSTALL_LIST_CUTTER_H

#include <cstddef>

const size_t InstallListEntryMax = 259;

struct InstallListCutter {
    char entry[InstallListEntryMax + 1]; // zero-terminated once complete
    size_t length;
    bool hasZero;  // the entry holds a zero byte, the first at zeroAt
    size_t zeroAt;
    bool complete;
    bool heldCR; // a CR whose next byte has not been seen yet
    bool ended;  // 0x1A seen: nothing after it belongs to the list
};

// Takes bytes from [next, end) into the cutter's entry. True when the entry is
// complete; `next` then points at the first byte not taken. False when the
// bytes ran out, or the list ended, before the entry was complete.
bool CutInstallListEntry(InstallListCutter &cutter, const char *&next, const char *end);

// Called once no bytes remain: true when a last entry, without a line break,
// is still to be handed over.
bool FinishInstallList(InstallListCutter &cutter);

// Turns a complete entry into its file name in place: the text before the
// first zero byte, less one trailing LF. False for an entry that is skipped
// because its first byte is a zero byte.
bool InstallListFileName(InstallListCutter &cutter, size_t &nameLength);

#endif
