// Fuzzes the two pure pieces that take outside bytes: the File Install List
// cutter and the program directory finder. The first input byte picks the
// block size the list arrives in, the second the code page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "installer/install_list_cutter.h"
#include "installer/program_directory.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

struct Entry {
    std::string bytes;
    bool handedOver;
    std::string name;
};

Entry Take(const InstallListCutter &cutter)
{
    Entry entry{std::string(cutter.entry, cutter.length), false, ""};
    InstallListCutter named = cutter;
    size_t nameLength = 0;
    entry.handedOver = InstallListFileName(named, nameLength);
    if (entry.handedOver) {
        Check(named.entry[nameLength] == '\0');
        entry.name.assign(named.entry, nameLength);
    }
    return entry;
}

std::vector<Entry> Cut(const std::string &list, size_t blockSize)
{
    std::vector<Entry> entries;
    InstallListCutter cutter = {};
    for (size_t start = 0; start < list.size() && !cutter.ended; start += blockSize) {
        const char *next = list.data() + start;
        const char *end = list.data() + std::min(list.size(), start + blockSize);
        while (CutInstallListEntry(cutter, next, end))
            entries.push_back(Take(cutter));
    }
    while (FinishInstallList(cutter))
        entries.push_back(Take(cutter));
    return entries;
}

bool operator==(const Entry &a, const Entry &b)
{
    return a.bytes == b.bytes && a.handedOver == b.handedOver && a.name == b.name;
}

// The list as its entries must spell it: up to the first 0x1A, CR LF as LF.
std::string Folded(const std::string &list)
{
    std::string folded;
    for (size_t i = 0; i < list.size() && list[i] != '\x1A'; ++i) {
        if (list[i] == '\r' && i + 1 < list.size() && list[i + 1] == '\n')
            continue;
        folded += list[i];
    }
    return folded;
}

void CheckCutting(const std::string &list, size_t blockSize)
{
    std::vector<Entry> entries = Cut(list, blockSize);
    Check(entries == Cut(list, list.size() + 1));

    std::string joined;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string &bytes = entries[i].bytes;
        Check(!bytes.empty() && bytes.size() <= InstallListEntryMax);
        // Only the last entry may end short of a line break and of 259 bytes.
        Check(i + 1 == entries.size() || bytes.back() == '\n' || bytes.size() == InstallListEntryMax);
        joined += bytes;

        // The name is the text before the first zero byte, less one line break.
        std::string text = bytes.substr(0, bytes.find('\0'));
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        Check(entries[i].handedOver == (bytes[0] != '\0'));
        Check(!entries[i].handedOver || entries[i].name == text);
    }
    Check(joined == Folded(list));
}

void CheckProgramDirectory(const std::string &bytes, bool shiftJis)
{
    char path[256] = {};
    std::memcpy(path, bytes.data(), std::min(bytes.size(), sizeof path - 1));
    bool leadBytes[256] = {};
    const unsigned char ranges[12] = {0x81, 0x9F, 0xE0, 0xFC};
    if (shiftJis)
        MarkLeadBytes(ranges, sizeof ranges, leadBytes);
    size_t length = ProgramDirectoryLength(path, leadBytes);
    Check(length <= std::strlen(path));
    bool drive = length == 2 && path[1] == ':';
    Check(length == 0 || drive || path[length - 1] == '\\' || path[length - 1] == '/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    size_t blockSize = data[0] % 64 + 1;
    bool shiftJis = data[1] & 1;
    std::string bytes(reinterpret_cast<const char *>(data + 2), size - 2);
    CheckCutting(bytes, blockSize);
    CheckProgramDirectory(bytes, shiftJis);
    return 0;
}
