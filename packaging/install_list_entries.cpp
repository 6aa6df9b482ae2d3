// Prints the entries of a File Install List as the program cuts them, for the
// packager's checks: it is linked with the program's own cutter, so that the
// checks read the list exactly as the program will.
//
//   install_list_entries LIST
//
// One JSON object a line for each entry, in the list's order:
//   line     the line the entry starts on, counted from 1
//   cut      the entry ended after its 259th byte, not at a line break
//   zero_at  the offset of the entry's first zero byte, or null
//   name     the name the program hands on, in hex; null for an entry it skips
// Then, when a 0x1A byte ended the list, {"line": L, "end_of_list": N}: the
// byte is on line L, and N bytes follow it that are never read.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "installer/install_list_cutter.h"

namespace {

void PrintHex(const char *bytes, size_t count)
{
    std::putchar('"');
    for (size_t i = 0; i < count; ++i)
        std::printf("%02x", static_cast<unsigned char>(bytes[i]));
    std::putchar('"');
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: install_list_entries LIST\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "install_list_entries: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<char> list{std::istreambuf_iterator<char>(file),
                                 std::istreambuf_iterator<char>()};

    // The program's own loop, with the whole list as one block.
    InstallListCutter cutter = {};
    const char *next = list.data();
    const char *end = next + list.size();
    size_t line = 1;
    for (;;) {
        if (!CutInstallListEntry(cutter, next, end)) {
            cutter.ended = true;
            if (!FinishInstallList(cutter))
                break;
        }
        bool lineBreak = cutter.entry[cutter.length - 1] == '\n';
        std::printf("{\"line\": %zu, \"cut\": %s, \"zero_at\": ", line,
                    cutter.length == InstallListEntryMax && !lineBreak ? "true" : "false");
        if (cutter.hasZero)
            std::printf("%zu", cutter.zeroAt);
        else
            std::printf("null");
        std::printf(", \"name\": ");
        size_t nameLength;
        if (InstallListFileName(cutter, nameLength))
            PrintHex(cutter.entry, nameLength);
        else
            std::printf("null");
        std::printf("}\n");
        if (lineBreak)
            ++line;
    }
    // Bytes are left only when the cutter stopped on a 0x1A byte.
    if (next != end)
        std::printf("{\"line\": %zu, \"end_of_list\": %zu}\n", line,
                    static_cast<size_t>(end - next - 1));
    return 0;
}
