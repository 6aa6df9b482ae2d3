#include "installer/program_directory.h"

void MarkLeadBytes(const unsigned char *ranges, size_t count, bool (&leadBytes)[256])
{
    for (size_t i = 0; i + 1 < count && (ranges[i] != 0 || ranges[i + 1] != 0); i += 2) {
        for (unsigned byte = ranges[i]; byte <= ranges[i + 1]; ++byte)
            leadBytes[byte] = true;
    }
}

size_t ProgramDirectoryLength(const char *programPath, const bool (&leadBytes)[256])
{
    size_t start = programPath[0] != '\0' && programPath[1] == ':' ? 2 : 0;
    size_t length = start;
    for (size_t i = start; programPath[i] != '\0'; ++i) {
        unsigned char byte = static_cast<unsigned char>(programPath[i]);
        if (leadBytes[byte]) {
            // A lead byte at the very end has no second byte to step over.
            if (programPath[i + 1] == '\0')
                break;
            ++i;
        } else if (byte == '\\' || byte == '/') {
            length = i + 1;
        }
    }
    return length;
}
