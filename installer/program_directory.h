// Finds the directory of the program's own file within its full path, with no
// platform call: the code page's lead bytes are handed in.
#ifndef TELLWICK_PROGRAM_DIRECTORY_H
#define TELLWICK_PROGRAM_DIRECTORY_H

#include <cstddef>

// Marks every byte that lies in one of the code page's lead-byte ranges, given
// as pairs of first and last byte, ending at a pair of zeros or after `count`
// bytes.
void MarkLeadBytes(const unsigned char *ranges, size_t count, bool (&leadBytes)[256]);

// The length of the program's directory at the start of `programPath`: its
// drive ("C:"), then everything up to and including the last backslash or
// slash. The second byte of a double-byte character may be 0x5C, so such
// characters are stepped over whole and never taken for a separator.
size_t ProgramDirectoryLength(const char *programPath, const bool (&leadBytes)[256]);

#endif
